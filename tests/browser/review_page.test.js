// Review pages opened in headless Chromium: the sample list's, where every sign's picture loads at
// its natural size and rows to look at and refused rows are marked, and that of 5,000 generated
// rows made for the three faces of examples/fleet-16.toml, where every row is there, a filter and
// a search show the rows they should and each face is drawn at one scale. Nothing is logged as an
// error and nothing is asked of the network. QRVX_TOOL names the qrvx binary; QRVX_SCREENSHOT,
// when set, is where a picture of the example feed's page goes (docs/images/review-page.png).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const examples = join(dirname(fileURLToPath(import.meta.url)), '..', '..', 'examples');
const fleet = join(examples, 'fleet-16.toml');
const work = mkdtempSync(join(tmpdir(), 'qrvx-browser-'));

// Width and height from a PNG's header chunk.
function pngSize(file) {
  const bytes = readFileSync(file);
  return { width: bytes.readUInt32BE(16), height: bytes.readUInt32BE(20) };
}

function batch(args, status) {
  const made = spawnSync(process.env.QRVX_TOOL, ['batch', ...args], { encoding: 'utf8' });
  assert.equal(made.status, status, made.stderr);
}

// 5,000 destinations, the same on every run: every 500th names a letter no font has, so its
// front and side are refused (its rear shows the route alone), and every 50th (long) is marked
// for a look, too long for its front without a condensed face.
function generatedRows() {
  const places = ['Hauptbahnhof', 'Marktplatz', 'Hafen', 'Zoo', 'Rathaus', 'Klinikum', 'Messe',
    'Flughafen', 'Stadion', 'Westfriedhof', 'Ostbahnhof', 'Neustadt', 'Altstadt', 'Universität',
    'Gewerbegebiet Süd', 'Schloss', 'Bergstraße', 'Am Wald', 'Seepark', 'Nordring'];
  const vias = ['', 'via Rathaus', 'über Markt', 'via Hafen', ''];
  return Array.from({ length: 5000 }, (_, i) => {
    const row = { code: `R${String(i).padStart(4, '0')}`, route: String(1 + (i % 97)),
      line1: `${places[i % places.length]} ${Math.floor(i / places.length)}`,
      line2: vias[i % vias.length] };
    if (i % 500 === 7) {
      row.line1 = `Ωmega ${i}`;
    } else if (i % 50 === 3) {
      row.line1 = `Universitätsklinikum Nordstadt Westflügel ${row.code.slice(1)}`;
      row.line2 = '';
      row.long = true;
    }
    return row;
  });
}

let browser;
const errors = [];
const requests = [];

// A new tab on DIR/index.html, its errors and requests recorded.
async function open(dir, viewport = { width: 1100, height: 900 }) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
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
  await page.goto(`file://${join(dir, 'index.html')}`, { waitUntil: 'load' });
  return page;
}

// Runs `action` (JavaScript) in the page; the milliseconds until the next frame is drawn.
function timed(page, action) {
  return page.evaluate(async (source) => {
    const start = performance.now();
    new Function(source)(); // eslint-disable-line no-new-func
    await new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve)));
    return performance.now() - start;
  }, action);
}

// The rows the page shows: their ids and how many of their faces are refused. (Nothing inside
// a row is asked whether it shows: that would lay out every row off the screen, one at a time.
// Thousands of elements are gathered inside the page, not as handles, which cost a round trip
// each.)
const shownRows = (page) => page.evaluate(() => [...document.querySelectorAll('main .sign')]
  .filter((row) => row.getClientRects().length > 0)
  .map((row) => ({ id: row.id, refusedFaces: row.querySelectorAll('.missing').length })));
const ids = (rows) => rows.map((row) => row.id);

// The pictures of the rows on the screen, once loaded, are drawn at the size they were given,
// their own size times an integer, in square pixels.
async function drawnAsSized(page) {
  const drawn = await page.evaluate(() => Promise.all([...document.querySelectorAll('main .sign')]
    .filter((row) => {
      const box = row.getBoundingClientRect();
      return box.height > 0 && box.top < innerHeight;
    })
    .flatMap((row) => [...row.querySelectorAll('img')])
    .map(async (image) => {
      await image.decode();
      const style = getComputedStyle(image);
      const padding = (a, b) => parseFloat(style[a]) + parseFloat(style[b]);
      return { src: image.getAttribute('src'), rendering: style.imageRendering,
        drawn: [image.clientWidth - padding('paddingLeft', 'paddingRight'),
          image.clientHeight - padding('paddingTop', 'paddingBottom')],
        given: ['width', 'height'].map((name) => Number(image.getAttribute(name))),
        natural: [image.naturalWidth, image.naturalHeight] };
    })));
  assert.ok(drawn.length >= 3);
  for (const image of drawn) {
    assert.deepEqual(image.drawn, image.given, image.src);
    assert.ok(Number.isInteger(image.drawn[0] / image.natural[0]), image.src);
    assert.equal(image.drawn[0] / image.natural[0], image.drawn[1] / image.natural[1], image.src);
    assert.equal(image.rendering, 'pixelated', image.src);
  }
}

before(async () => {
  assert.ok(process.env.QRVX_TOOL, 'QRVX_TOOL names the qrvx binary');
  browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    userDataDir: join(work, 'profile'),
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  await browser?.close();
  rmSync(work, { recursive: true, force: true });
});

// Pictures that never load would leave a test waiting.
const pageTest = { timeout: 120_000 };

test('sample list: pictures at their PNGs\' size, marked and refused rows', pageTest, async () => {
  const out = join(work, 'sample');
  batch([join(examples, 'destinations.csv'), '-o', out, '--width', '128'], 1); // one refused
  const page = await open(out);
  // Pictures load as their rows come near the screen.
  const images = await page.$$eval('img', async (all) => {
    for (const image of all) {
      image.scrollIntoView();
      await image.decode().catch(() => {});
    }
    return all.map((image) => ({ src: image.getAttribute('src'), complete: image.complete,
      width: image.naturalWidth, height: image.naturalHeight }));
  });
  const signs = readdirSync(out).filter((name) => name.endsWith('.png') && name !== 'contact-sheet.png');
  assert.deepEqual(images.map((image) => image.src).sort(), signs.sort());
  for (const image of images) {
    assert.ok(image.complete, image.src);
    const { width, height } = pngSize(join(out, image.src));
    assert.deepEqual([image.width, image.height], [width, height], image.src);
  }
  const marked = (selector) => page.$$eval(selector, (all) => all.map((row) => ({
    id: row.id, badges: [...row.querySelectorAll('.badge')].map((badge) => badge.textContent),
  })));
  const looks = await marked('.sign.marked');
  assert.ok(looks.some((row) => row.id === 'sign-UNI'), JSON.stringify(looks));
  assert.ok(looks.every((row) => row.badges.includes('condensed face')), JSON.stringify(looks));
  assert.deepEqual(await marked('.sign.refused'), [{ id: 'sign-FLY', badges: ['refused'] }]);
});

test('5,000 rows, three faces: all shown, filtered, searched, one scale', pageTest, async (t) => {
  const rows = generatedRows();
  const list = join(work, 'list.csv');
  writeFileSync(list, ['code,route,line1,line2',
    ...rows.map((row) => [row.code, row.route, row.line1, row.line2].join(','))].join('\n'));
  const out = join(work, 'fleet');
  batch([list, '--sign-set', fleet, '-o', out], 1);
  const started = Date.now();
  const page = await open(out);
  t.diagnostic(`load: ${Date.now() - started} ms`);

  // The summary's counts: rows, signs, marked, refused, new, changed, unchanged, removed.
  const counts = (await page.$$eval('header .count', (all) => all.map((c) => c.textContent)))
    .map(Number);
  assert.equal(counts[0], rows.length);
  assert.deepEqual(ids(await shownRows(page)), rows.map((row) => `sign-${row.code}`));

  // Each row shows its three faces, as a picture or as a refusal, every picture sized as its PNG
  // times one integer scale; the rows on the screen are drawn so, pixels kept square.
  const pictures = await page.evaluate(() => [...document.querySelectorAll('main img')]
    .map((image) => ['src', 'width', 'height'].map((name) => image.getAttribute(name))));
  assert.equal(pictures.length + counts[3], 3 * rows.length);
  const scale = Number(pictures[0][1]) / pngSize(join(out, pictures[0][0])).width;
  assert.ok(Number.isInteger(scale) && scale >= 2, String(scale));
  for (const [src, width, height] of pictures) {
    const png = pngSize(join(out, src));
    assert.deepEqual([Number(width), Number(height)], [png.width * scale, png.height * scale],
      src);
  }
  await drawnAsSized(page);

  const refused = rows.filter((row) => row.line1.startsWith('Ω')).map((row) => `sign-${row.code}`);
  t.diagnostic(`refused filter: ${(await timed(page,
    "document.querySelector('[data-filter=refused]').click()")).toFixed(0)} ms`);
  const shown = await shownRows(page);
  assert.deepEqual(ids(shown), refused);
  assert.equal(await page.$eval('#shown', (count) => Number(count.textContent)), refused.length);
  // Each such row misses its front and side: the faces the summary counts as refused.
  assert.equal(shown.reduce((sum, row) => sum + row.refusedFaces, 0), counts[3]);
  await timed(page, "document.querySelector('[data-filter=marked]').click()");
  const marked = new Set(ids(await shownRows(page)));
  assert.ok(rows.filter((row) => row.long).every((row) => marked.has(`sign-${row.code}`)));
  t.diagnostic(`back to all: ${(await timed(page,
    "document.querySelector('[data-filter=all]').click()")).toFixed(0)} ms`);

  // Words in any case, each found in the code, the route or a line of the row.
  const query = 'ΩMEGA 50';
  const words = query.toLowerCase().split(' ');
  const found = rows.filter((row) => words.every((word) =>
    [row.code, row.route, row.line1, row.line2].join(' ').toLowerCase().includes(word)));
  assert.ok(found.length > 1 && found.length < refused.length, found.length);
  t.diagnostic(`search: ${(await timed(page, `const search = document.querySelector('input');
    search.value = ${JSON.stringify(query)}; search.dispatchEvent(new Event('input'));`))
    .toFixed(0)} ms`);
  assert.deepEqual(ids(await shownRows(page)), found.map((row) => `sign-${row.code}`));
  await drawnAsSized(page);
});

test('a picture of the example feed\'s page', { skip: !process.env.QRVX_SCREENSHOT }, async () => {
  const out = join(work, 'feed');
  batch([join(examples, 'feed'), '--sign-set', fleet, '-o', out], 0);
  const page = await open(out, { width: 1000, height: 1450 });
  await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: 'dark' }]);
  await page.waitForFunction(() => [...document.images]
    .every((image) => image.complete || image.getBoundingClientRect().top > innerHeight));
  // Down to the last row that fits whole.
  const height = await page.evaluate(() => Math.max(...[...document.querySelectorAll('main .sign')]
    .map((row) => row.getBoundingClientRect().bottom).filter((bottom) => bottom <= innerHeight)));
  await page.screenshot({ path: process.env.QRVX_SCREENSHOT,
    clip: { x: 0, y: 0, width: 1000, height: Math.ceil(height) + 10 } });
});

test('the pages log no error and ask nothing of the network', () => {
  assert.deepEqual(errors, []);
  assert.deepEqual(requests.filter((url) => !url.startsWith('file:')), []);
});
