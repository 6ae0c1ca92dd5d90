#!/usr/bin/env python3
"""The 32-bit driver with and without SSE2, in paired, alternating runs.

Runs varnel-bench.exe of two i686 builds under Wine (the build folders are
given) on the benchmark table, for each operation PAIRS times, the order of
the two alternating from pair to pair so that a slow spell of the machine
hits both alike. Prints the median whole-process time of each build, the
median of the per-pair ratios and the median time of each step. Given one
build only (no --b), it runs that one PAIRS times per operation and prints
its medians.
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time

OPS = ["parse", "sort_num", "sort_text", "search", "write"]
STEP_RE = re.compile(r"step (\w+) ([0-9.]+) s \(cpu ([0-9.]+) s\)")


def winpath(path):
    return subprocess.run(["winepath", "-w", path], capture_output=True, text=True, check=True).stdout.strip()


def run(exe, op, table, out):
    start = time.perf_counter()
    proc = subprocess.run(["wine", exe, op, table, out, "needle"], capture_output=True, text=True)
    seconds = time.perf_counter() - start
    if proc.returncode != 0:
        sys.exit("bench-i686: %s %s failed: %s" % (exe, op, proc.stderr.strip()[-300:]))
    steps = {name: float(wall) for name, wall, _ in STEP_RE.findall(proc.stderr)}
    return seconds, steps, proc.stdout.strip()


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--a", required=True, help="build folder of the first variant")
    ap.add_argument("--b", help="build folder of the second variant; none: time the first alone")
    ap.add_argument("--names", default="a,b")
    ap.add_argument("--table", required=True)
    ap.add_argument("--pairs", type=int, default=5)
    args = ap.parse_args()
    names = args.names.split(",")
    folders = [args.a] + ([args.b] if args.b else [])
    exes = [os.path.join(d, "varnel-bench.exe") for d in folders]
    table = winpath(args.table)
    out = winpath(os.path.join(os.path.dirname(os.path.abspath(args.table)), "out-i686.csv"))
    load = open("/proc/loadavg").read().split()[0]
    when = time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())
    if len(exes) == 1:
        print("i686 driver under Wine, %s alone, %d runs per operation, load average %s, %s" %
              (names[0], args.pairs, load, when))
        print("%-10s %10s  %s" % ("operation", names[0] + " s", "median steps s"))
    else:
        print("i686 driver under Wine, %s against %s, %d pairs per operation, load average %s, %s" %
              (names[0], names[1], args.pairs, load, when))
        print("%-10s %10s %10s %8s  %s" % ("operation", names[0] + " s", names[1] + " s", "b/a",
                                           "median steps (a | b)"))
    for op in OPS:
        times = [[] for _ in exes]
        steps = [{} for _ in exes]
        ratios = []
        results = set()
        for pair in range(args.pairs):
            order = list(range(len(exes))) if pair % 2 == 0 else list(reversed(range(len(exes))))
            got = {}
            for v in order:
                seconds, st, result = run(exes[v], op, table, out)
                got[v] = seconds
                times[v].append(seconds)
                results.add(result)
                for k, w in st.items():
                    steps[v].setdefault(k, []).append(w)
            if len(exes) == 2:
                ratios.append(got[1] / got[0])
        if len(results) > 1:
            sys.exit("bench-i686: the two builds disagree on %s: %s" % (op, results))
        step_text = " | ".join(", ".join("%s %.3f" % (k, statistics.median(w)) for k, w in steps[v].items())
                               for v in range(len(exes)))
        if len(exes) == 1:
            print("%-10s %10.3f  %s" % (op, statistics.median(times[0]), step_text))
        else:
            print("%-10s %10.3f %10.3f %8.3f  %s" % (op, statistics.median(times[0]), statistics.median(times[1]),
                                                     statistics.median(ratios), step_text))
    print("load average after: %s" % open("/proc/loadavg").read().split()[0])
    os.remove(os.path.join(os.path.dirname(os.path.abspath(args.table)), "out-i686.csv"))


if __name__ == "__main__":
    main()
