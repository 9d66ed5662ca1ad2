#!/usr/bin/env python3
"""qrvx batch measured against its goals: destination lists beside a bare Pillow loop, and a
generated timetable feed made into a sign set of three faces.

Usage: batch_benchmark.py QRVX FONTS_DIR [--repetitions N] [--work DIR] [--parts lists,feed]

Every figure is a child process's own (os.wait4): wall time, CPU time (user and system) and peak
resident memory (ru_maxrss). One core and two are the child pinned to them with
sched_setaffinity. The runs of a part alternate between their kinds, and the fastest run of a
kind counts, as the one least disturbed by other work on the machine.

Lists (10,000 and 1,000 rows, one 128 x 16 sign a row):
- wall time of 10,000 rows on one core (--jobs 1) and on two (--jobs 2): the speedup;
- peak memory of 1,000 and of 10,000 rows;
- CPU time a row on one core, against a Pillow loop that draws the same two lines and route
  number with sign-7 (converted from its BDF by Pillow at run time) into 128 x 16 PNG files.

Feed (feed_generator.py: 100,000 trips, 5,000 destinations, stop_times.txt of 200 MB, as a
folder; a sign set of front 128 x 16 "route destination", side 112 x 16 "destination", rear
28 x 16 "route"):
- the feed against the list `qrvx destinations` writes of it, one core each: CPU time;
- the feed on one core and on two: the speedup in wall time (and the list's, beside it);
- peak memory of the feed beside that of a feed of 500 destinations with as large a
  stop_times.txt;
- the list made again into the folder of its first run (every output unchanged), against that
  first run into an empty folder: CPU time;
- the feed read alone (`qrvx destinations`), for what reading it costs.

Outputs go to a fresh directory on a RAM file system when it has room (/dev/shm), so that a disk
shared with other work does not time itself, else to a temporary directory on disk; everything
is removed at the end.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

import feed_generator

ROWS = (1_000, 10_000)
WORDS = ["Hauptbahnhof", "Göttingen", "Zürich", "Flughafen", "Malmö", "Markt", "Rathaus",
         "Universität", "Hafen", "Nord", "Süd", "Bahnhof", "Klinikum", "Stadion", "São João"]
FEED_TRIPS = 100_000
FEED_DESTINATIONS = (5_000, 500)
STOP_TIMES_BYTES = 200_000_000
ROOM_NEEDED = 2 << 30  # two feeds, their lists and the outputs of a run, with room to spare
SIGN_SET = """\
[[face]]
name = "front"
width = 128
height = 16
shows = "route destination"

[[face]]
name = "side"
width = 112
height = 16
shows = "destination"

[[face]]
name = "rear"
width = 28
height = 16
shows = "route"
"""

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


def run(command, cores, refusals=False):
    """Wall seconds, CPU seconds, peak KiB and standard output of one child. With refusals, a
    batch that refused some faces (exit status 1 after its summary) counts as run."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             preexec_fn=lambda: os.sched_setaffinity(0, cores))
    out = child.stdout.read().decode()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code != 0 and not (refusals and code == 1 and "signs made" in out):
        sys.exit(f"failed: {' '.join(command)}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, out


def fastest(runs, field):
    return min(run[field] for run in runs)


def median(runs, field):
    values = sorted(run[field] for run in runs)
    return values[len(values) // 2]


class Table:
    """Figures with their goals, printed as one table at the end."""

    def __init__(self):
        self.rows = []

    def add(self, figure, measured, goal="", met=None):
        self.rows.append((figure, measured, goal, "" if met is None else "met" if met else
                          "MISSED"))

    def print(self):
        header = ("figure", "measured", "goal", "")
        widths = [max(len(row[i]) for row in self.rows + [header]) for i in range(4)]
        for row in [header] + self.rows:
            print("  ".join(cell.ljust(width) for cell, width in zip(row, widths)).rstrip())


def measure_lists(qrvx, fonts, work, repetitions, cores, table):
    one, two = cores
    lists = {}
    for rows in ROWS:
        lists[rows] = os.path.join(work, f"list{rows}.csv")
        write_list(lists[rows], rows)
    converted = os.path.join(work, "pil")
    os.mkdir(converted)
    results = {key: [] for key in ("jobs1", "jobs2", "rows1k", "peer")}
    for serial in range(repetitions):
        for key in results:
            out = os.path.join(work, f"out-{key}-{serial}")
            rows = 1_000 if key == "rows1k" else 10_000
            if key == "peer":
                command = ["/usr/bin/python3", "-c", PEER,
                           os.path.join(fonts, "sign-7.bdf"), lists[rows], out, converted]
            else:
                command = [qrvx, "batch", lists[rows], "-o", out, "--jobs",
                           "2" if key == "jobs2" else "1", "--width", "128", "--height", "16",
                           "--font", "sign-7", "--route-font", "sign-7", "--overflow", "clip"]
            wall, cpu, peak, printed = run(command, two if key == "jobs2" else one)
            if key == "peer":
                cpu = float(printed)  # the loop alone
            results[key].append((wall, cpu, peak))
            shutil.rmtree(out)

    jobs1, jobs2 = fastest(results["jobs1"], 0), fastest(results["jobs2"], 0)
    table.add("list 10,000 rows, one core, wall", f"{jobs1:.2f} s")
    table.add("list 10,000 rows, two cores, wall", f"{jobs2:.2f} s")
    table.add("list 10,000 rows: speedup", f"{jobs1 / jobs2:.2f}", ">= 1.70", jobs1 / jobs2 >= 1.7)
    small, large = median(results["rows1k"], 2), median(results["jobs1"], 2)
    table.add("list peak memory, 1,000 rows", f"{small:,} KiB")
    table.add("list peak memory, 10,000 rows", f"{large:,} KiB")
    table.add("list peak memory: 10,000 / 1,000", f"{large / small:.3f}", "<= 1.10",
              large / small <= 1.10)
    row = fastest(results["jobs1"], 1) / 10_000 * 1e6
    extra = (fastest(results["jobs1"], 1) - fastest(results["rows1k"], 1)) / 9_000 * 1e6
    peer = fastest(results["peer"], 1) / 10_000 * 1e6
    table.add("CPU a row, one core: Pillow loop (the PNG alone)", f"{peer:.0f} us")
    table.add("CPU a row, one core: qrvx batch, whole run / 10,000", f"{row:.0f} us")
    table.add("CPU a row, one core: qrvx batch from 1,000 rows to 10,000", f"{extra:.0f} us")
    table.add("CPU a row: qrvx batch / Pillow", f"{row / peer:.2f}", "<= 1.00", row / peer <= 1.0)


def make_feeds(qrvx, work, one):
    """The feeds as folders, the sign set, and the list of the large feed's destinations."""
    feeds = {}
    for destinations in FEED_DESTINATIONS:
        feeds[destinations] = os.path.join(work, f"feed{destinations}")
        os.mkdir(feeds[destinations])
        feed_generator.write_feed(feeds[destinations], destinations, FEED_TRIPS,
                                  STOP_TIMES_BYTES, seed=destinations)
    sign_set = os.path.join(work, "sign-set.toml")
    with open(sign_set, "w", encoding="utf-8") as out:
        out.write(SIGN_SET)
    listed = os.path.join(work, "destinations.csv")
    run([qrvx, "destinations", feeds[FEED_DESTINATIONS[0]], "-o", listed], one)
    with open(listed, encoding="utf-8") as rows:
        count = sum(1 for _ in rows) - 1
    if count != FEED_DESTINATIONS[0]:
        sys.exit(f"the generated feed has {count} destinations, not {FEED_DESTINATIONS[0]}")
    return feeds, sign_set, listed


def measure_feed(qrvx, work, repetitions, cores, table):
    results, made = feed_runs(qrvx, work, repetitions, cores)
    report_feed(results, made, table)


def feed_runs(qrvx, work, repetitions, cores):
    """The runs of each kind, and what the last run of each kind printed."""
    one, two = cores
    feeds, sign_set, listed = make_feeds(qrvx, work, one)
    large, small = (feeds[d] for d in FEED_DESTINATIONS)
    # (source, jobs) of each kind; "again" is "list" made once more into the folder it just made,
    # "read" the feed read alone, into a list.
    kinds = {"list": (listed, 1), "again": (listed, 1), "feed": (large, 1),
             "feed2": (large, 2), "list2": (listed, 2), "feed500": (small, 1), "read": (large, 1)}
    results = {key: [] for key in kinds}
    made = {}
    for serial in range(repetitions):
        for key, (source, jobs) in kinds.items():
            out = os.path.join(work, "out-list" if key in ("list", "again") else
                               f"out-{key}-{serial}")
            command = [qrvx, "batch", source, "-o", out, "--sign-set", sign_set,
                       "--jobs", str(jobs)]
            if key == "read":
                command = [qrvx, "destinations", source, "-o", out + ".csv"]
            wall, cpu, peak, printed = run(command, two if jobs == 2 else one, refusals=True)
            results[key].append((wall, cpu, peak))
            made[key] = printed.split(": ", 1)[-1].strip()
            if key == "read":
                os.remove(out + ".csv")
            elif key != "list":
                shutil.rmtree(out)
    if made["list"].split(";")[0] != made["feed"].split(";")[0]:
        sys.exit(f"the feed and its list made different signs: {made['feed']} / {made['list']}")
    if "new 0, changed 0," not in made["again"]:
        sys.exit(f"a run again into its own outputs changed some: {made['again']}")
    return results, made


def report_feed(results, made, table):
    table.add("feed: what a run makes", made["feed"].split(";")[0])
    from_list, from_feed = fastest(results["list"], 1), fastest(results["feed"], 1)
    table.add("feed 5,000 destinations from its list, one core, CPU", f"{from_list:.2f} s")
    table.add("feed 5,000 destinations from the feed, one core, CPU", f"{from_feed:.2f} s")
    table.add("feed / its list, one core, CPU", f"{from_feed / from_list:.2f}", "<= 1.30",
              from_feed / from_list <= 1.3)
    table.add("the feed read alone (qrvx destinations), one core, CPU",
              f"{fastest(results['read'], 1):.2f} s")
    jobs1, jobs2 = fastest(results["feed"], 0), fastest(results["feed2"], 0)
    table.add("feed, one core, wall", f"{jobs1:.2f} s")
    table.add("feed, two cores, wall", f"{jobs2:.2f} s")
    table.add("feed: speedup", f"{jobs1 / jobs2:.2f}", ">= 1.70", jobs1 / jobs2 >= 1.7)
    list1, list2 = fastest(results["list"], 0), fastest(results["list2"], 0)
    table.add("its list: speedup (one core / two, wall)",
              f"{list1:.2f} s / {list2:.2f} s = {list1 / list2:.2f}")
    many, few = median(results["feed"], 2), median(results["feed500"], 2)
    table.add("feed peak memory, 500 destinations", f"{few:,} KiB")
    table.add("feed peak memory, 5,000 destinations", f"{many:,} KiB")
    table.add("feed peak memory: 5,000 / 500", f"{many / few:.3f}", "<= 1.10", many / few <= 1.10)
    first, again = fastest(results["list"], 1), fastest(results["again"], 1)
    table.add("list again into its own outputs, one core, CPU", f"{again:.2f} s")
    table.add("again / first into an empty folder, CPU", f"{again / first:.2f}", "<= 1.10",
              again / first <= 1.1)


def work_directory(asked):
    if asked:
        return asked
    shm = "/dev/shm"
    if os.path.isdir(shm) and shutil.disk_usage(shm).free >= ROOM_NEEDED:
        return shm
    return None  # the system's temporary directory


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("qrvx")
    parser.add_argument("fonts")
    parser.add_argument("--repetitions", type=int, default=7)
    parser.add_argument("--work", help="where the temporary directory goes")
    parser.add_argument("--parts", default="lists,feed",
                        help="lists, feed or both (comma-separated)")
    args = parser.parse_args()
    if len(os.sched_getaffinity(0)) < 2:
        sys.exit("two cores are needed")
    cores = sorted(os.sched_getaffinity(0))
    cores = ({cores[0]}, set(cores[:2]))
    parts = set(args.parts.split(","))
    work = tempfile.mkdtemp(prefix="qrvx_batch_bench_", dir=work_directory(args.work))
    table = Table()
    try:
        if "lists" in parts:
            measure_lists(args.qrvx, args.fonts, work, args.repetitions, cores, table)
        if "feed" in parts:
            measure_feed(args.qrvx, work, args.repetitions, cores, table)
    finally:
        shutil.rmtree(work)
    print(f"qrvx batch, the fastest of {args.repetitions} runs of each kind "
          f"(peak memory: the median); outputs in {os.path.dirname(work)}")
    table.print()


if __name__ == "__main__":
    main()
