#!/usr/bin/env python3
"""Runs varnel-bench over the benchmark table and prints a table of figures.

The table (1,000,000 rows by 10 fields, about 103 MB) is made once with
varnel-gen-table under the data folder. Each operation runs several times;
the table shows the wall time of the whole process (min and median), the
file's MB per second at the median, the peak resident memory, the bytes each
cell costs beside the file's own bytes, and the median time of every step
the driver reports on standard error.
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time

OPS = ["parse", "search", "sort_num", "sort_text", "write"]
STEP_RE = re.compile(r"step (\w+) ([0-9.]+) s \(cpu ([0-9.]+) s\)")
RSS_RE = re.compile(r"peak RSS ([0-9.]+) MB")
CELL_RE = re.compile(r"([0-9.]+) bytes per cell beside the file")


def run_once(bench, op, table, out):
    start = time.perf_counter()
    proc = subprocess.run([bench, op, table, out, "needle"], capture_output=True, text=True)
    seconds = time.perf_counter() - start
    steps = {name: (float(wall), float(cpu)) for name, wall, cpu in STEP_RE.findall(proc.stderr)}
    rss = RSS_RE.search(proc.stderr)
    cell = CELL_RE.search(proc.stderr)
    return {
        "ok": proc.returncode == 0,
        "stdout": proc.stdout.strip(),
        "stderr": proc.stderr.strip(),
        "seconds": seconds,
        "steps": steps,
        "rss": float(rss.group(1)) if rss else None,
        "cell": float(cell.group(1)) if cell else None,
    }


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--bin", required=True, help="folder holding varnel-bench and varnel-gen-table")
    ap.add_argument("--data", required=True, help="folder for the table and the written files")
    ap.add_argument("--rows", type=int, default=1_000_000)
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()

    bench = os.path.join(args.bin, "varnel-bench")
    gen = os.path.join(args.bin, "varnel-gen-table")
    os.makedirs(args.data, exist_ok=True)
    table = os.path.join(args.data, "table-%d.csv" % args.rows)
    if not os.path.exists(table):
        print("making %s ..." % table, file=sys.stderr)
        subprocess.run([gen, "--rows", str(args.rows), "--out", table + ".part"], check=True)
        os.replace(table + ".part", table)
        os.replace(table + ".part.meta.json", table + ".meta.json")
    size = os.path.getsize(table)
    out = os.path.join(args.data, "out.csv")

    print("table %s: %d rows, %.1f MB; %d runs per operation; %s" %
          (table, args.rows, size / 1e6, args.runs, time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())))
    header = "%-10s %8s %8s %8s %9s %9s  %s" % ("operation", "min s", "median s", "MB/s", "peak MB",
                                                "B/cell", "median step s (cpu s)")
    print(header)
    print("-" * len(header))
    failed = False
    for op in OPS:
        runs = [run_once(bench, op, table, out)]
        if runs[0]["ok"]:
            runs += [run_once(bench, op, table, out) for _ in range(args.runs - 1)]
        good = [r for r in runs if r["ok"]]
        if not good:
            reason = runs[0]["stderr"].splitlines()[-1] if runs[0]["stderr"] else "failed"
            print("%-10s %s" % (op, reason))
            if op != "search":
                failed = True
            continue
        times = [r["seconds"] for r in good]
        median = statistics.median(times)
        steps = []
        for name in ["read", "split", "sort", "search", "write"]:
            walls = [r["steps"][name][0] for r in good if name in r["steps"]]
            cpus = [r["steps"][name][1] for r in good if name in r["steps"]]
            if walls:
                steps.append("%s %.3f (%.3f)" % (name, statistics.median(walls), statistics.median(cpus)))
                if name == "write" and os.path.exists(out):
                    steps[-1] += " = %.0f MB/s out" % (os.path.getsize(out) / 1e6 / statistics.median(walls))
        rss = max(r["rss"] for r in good if r["rss"] is not None)
        cell = good[0]["cell"]
        print("%-10s %8.3f %8.3f %8.0f %9.1f %9.2f  %s" % (op, min(times), median, size / 1e6 / median, rss,
                                                          cell if cell is not None else float("nan"),
                                                          ", ".join(steps)))
    for name in (out, out + ".meta.json"):
        if os.path.exists(name):
            os.remove(name)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
