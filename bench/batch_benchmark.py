#!/usr/bin/env python3
"""qrvx batch on destination lists of 1,000 and 10,000 rows, beside a bare Pillow loop.

Usage: batch_benchmark.py QRVX FONTS_DIR [--repetitions N] [--work DIR]

Measures, every figure a child process's own (os.wait4):
- wall time of 10,000 rows on one core (--jobs 1) and on two (--jobs 2), each pinned with
  sched_setaffinity; the speedup is the ratio of the fastest runs of each;
- peak memory (ru_maxrss) of 1,000 and of 10,000 rows;
- CPU time a row on one core, against a Pillow loop that draws the same two lines and route
  number with sign-7 (converted from its BDF by Pillow at run time, in a temporary directory)
  into 128 x 16 PNG files, one core, in the same run.

Outputs go to a fresh directory on a RAM file system when there is one (/dev/shm), so that a
disk shared with other work does not time itself; every run writes into a directory of its own.
"""
import argparse
import os
import random
import resource
import shutil
import subprocess
import sys
import tempfile
import time

ROWS = (1_000, 10_000)
WORDS = ["Hauptbahnhof", "Göttingen", "Zürich", "Flughafen", "Malmö", "Markt", "Rathaus",
         "Universität", "Hafen", "Nord", "Süd", "Bahnhof", "Klinikum", "Stadion", "São João"]

PEER = r'''
import csv, os, sys, time
from PIL import BdfFontFile, Image, ImageDraw, ImageFont
bdf, rows_csv, out, converted = sys.argv[1:5]
with open(bdf, "rb") as f:
    BdfFontFile.BdfFontFile(f).save(os.path.join(converted, "sign-7"))
font = ImageFont.load(os.path.join(converted, "sign-7.pil"))
rows = list(csv.DictReader(open(rows_csv, encoding="utf-8")))
os.makedirs(out)
start = time.process_time()
for row in rows:
    image = Image.new("1", (128, 16))
    draw = ImageDraw.Draw(image)
    draw.text((1, 4), row["route"], font=font, fill=1)
    draw.text((22, 0), row["line1"], font=font, fill=1)
    draw.text((22, 8), row["line2"], font=font, fill=1)
    image.save(os.path.join(out, row["code"] + ".png"))
print(time.process_time() - start)
'''


def write_list(path, rows):
    chance = random.Random(rows)
    with open(path, "w", encoding="utf-8") as out:
        out.write("code,line1,line2,route\n")
        for row in range(rows):
            out.write(f"R{row:05d},{chance.choice(WORDS)} {chance.choice(WORDS)},"
                      f"via {chance.choice(WORDS)},{chance.randint(1, 999)}\n")


def run(command, cores):
    """Wall seconds, CPU seconds, peak KiB and standard output of one child."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             preexec_fn=lambda: os.sched_setaffinity(0, cores))
    out = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {' '.join(command)}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, out.decode()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("qrvx")
    parser.add_argument("fonts")
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--work", default="/dev/shm" if os.path.isdir("/dev/shm") else None)
    args = parser.parse_args()
    if len(os.sched_getaffinity(0)) < 2:
        sys.exit("two cores are needed")
    one, two = set(sorted(os.sched_getaffinity(0))[:1]), set(sorted(os.sched_getaffinity(0))[:2])
    work = tempfile.mkdtemp(prefix="qrvx_batch_bench_", dir=args.work)
    try:
        lists = {}
        for rows in ROWS:
            lists[rows] = os.path.join(work, f"list{rows}.csv")
            write_list(lists[rows], rows)
        converted = os.path.join(work, "pil")
        os.mkdir(converted)
        results = {key: [] for key in ("jobs1", "jobs2", "rows1k", "peer")}
        serial = 0
        for _ in range(args.repetitions):
            for key in results:
                serial += 1
                out = os.path.join(work, f"out{serial}")
                rows = 1_000 if key == "rows1k" else 10_000
                if key == "peer":
                    command = ["/usr/bin/python3", "-c", PEER,
                               os.path.join(args.fonts, "sign-7.bdf"), lists[rows], out, converted]
                else:
                    jobs = "2" if key == "jobs2" else "1"
                    command = [args.qrvx, "batch", lists[rows], "-o", out, "--jobs", jobs,
                               "--width", "128", "--height", "16", "--font", "sign-7",
                               "--route-font", "sign-7", "--overflow", "clip"]
                wall, cpu, peak, printed = run(command, two if key == "jobs2" else one)
                if key == "peer":
                    cpu = float(printed)  # the loop alone
                results[key].append((wall, cpu, peak))
                shutil.rmtree(out)
        report(results)
    finally:
        shutil.rmtree(work)


def report(results):
    # The fastest of the repetitions: the one least disturbed by other work on the machine.
    def fastest(key, field):
        return min(run[field] for run in results[key])

    def median(key, field):
        values = sorted(run[field] for run in results[key])
        return values[len(values) // 2]

    one, two = fastest("jobs1", 0), fastest("jobs2", 0)
    print(f"10,000 rows, one core:  {one:.2f} s (fastest wall time of {len(results['jobs1'])})")
    print(f"10,000 rows, two cores: {two:.2f} s")
    print(f"speedup: {one / two:.2f} (goal >= 1.70)")
    small, large = median("rows1k", 2), median("jobs1", 2)
    print(f"peak memory: 1,000 rows {small} KiB, 10,000 rows {large} KiB, "
          f"ratio {large / small:.3f} (goal <= 1.10)")
    row = fastest("jobs1", 1) / 10_000 * 1e6
    extra = (fastest("jobs1", 1) - fastest("rows1k", 1)) / 9_000 * 1e6
    peer = fastest("peer", 1) / 10_000 * 1e6
    print(f"one core, CPU a row: Pillow loop {peer:.0f} us (the PNG alone); qrvx batch "
          f"{row:.0f} us, the whole run over its rows (sign, graphic, PNG, page, contact sheet, "
          f"start, fonts, reading the list twice), ratio {row / peer:.2f} (goal <= 1.00); "
          f"{extra:.0f} us a row more from 1,000 rows to 10,000, ratio {extra / peer:.2f}")


if __name__ == "__main__":
    main()
