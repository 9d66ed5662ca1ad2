// The review page of the sample destination list, opened in headless Chromium: every sign's
// picture loads at its natural size, rows to look at and refused rows are marked, nothing is
// logged as an error and nothing is asked of the network. QRVX_TOOL names the qrvx binary; QRVX_SCREENSHOT,
// when set, is where a picture of the page goes (docs/images/review-page.png for the README).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = dirname(fileURLToPath(import.meta.url));
const list = join(here, '..', '..', 'examples', 'destinations.csv');
const work = mkdtempSync(join(tmpdir(), 'qrvx-browser-'));
const out = join(work, 'batch');

// Width and height from a PNG's header chunk.
function pngSize(file) {
  const bytes = readFileSync(file);
  return { width: bytes.readUInt32BE(16), height: bytes.readUInt32BE(20) };
}

let browser;
let page;
const errors = [];
const requests = [];

before(async () => {
  assert.ok(process.env.QRVX_TOOL, 'QRVX_TOOL names the qrvx binary');
  const made = spawnSync(process.env.QRVX_TOOL, ['batch', list, '-o', out, '--width', '128'],
    { encoding: 'utf8' });
  assert.equal(made.status, 1, made.stderr); // the planted row is refused
  browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    userDataDir: join(work, 'profile'),
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  page = await browser.newPage();
  await page.setViewport({ width: 1100, height: 900 });
  await page.setRequestInterception(true);
  page.on('request', (request) => {
    requests.push(request.url());
    if (request.url().startsWith('file:')) {
      request.continue();
    } else {
      request.abort();
    }
  });
  page.on('console', (message) => {
    if (message.type() === 'error') {
      errors.push(message.text());
    }
  });
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(`file://${join(out, 'index.html')}`, { waitUntil: 'load' });
});

after(async () => {
  await browser?.close();
  rmSync(work, { recursive: true, force: true });
});

test('every sign loads at the size of its PNG', async () => {
  const images = await page.$$eval('img', (all) => all.map((image) => ({
    src: image.getAttribute('src'), complete: image.complete,
    width: image.naturalWidth, height: image.naturalHeight,
  })));
  const signs = readdirSync(out).filter((name) => name.endsWith('.png') && name !== 'contact-sheet.png');
  assert.deepEqual(images.map((image) => image.src).sort(), signs.sort());
  for (const image of images) {
    assert.ok(image.complete, image.src);
    const { width, height } = pngSize(join(out, image.src));
    assert.deepEqual([image.width, image.height], [width, height], image.src);
  }
});

test('rows to look at and refused rows are marked', async () => {
  const marked = (selector) => page.$$eval(selector, (all) => all.map((row) => ({
    id: row.id, badges: [...row.querySelectorAll('.badge')].map((badge) => badge.textContent),
  })));
  const looks = await marked('.sign.marked');
  assert.ok(looks.some((row) => row.id === 'sign-UNI'), JSON.stringify(looks));
  assert.ok(looks.every((row) => row.badges.includes('condensed face')), JSON.stringify(looks));
  const refused = await marked('.sign.refused');
  assert.deepEqual(refused, [{ id: 'sign-FLY', badges: ['refused'] }]);
});

test('the page logs no error and asks nothing of the network', async () => {
  if (process.env.QRVX_SCREENSHOT) {
    await page.screenshot({ path: process.env.QRVX_SCREENSHOT, fullPage: true });
  }
  assert.deepEqual(errors, []);
  assert.deepEqual(requests.filter((url) => !url.startsWith('file:')), []);
});
