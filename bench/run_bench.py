#!/usr/bin/env python3
"""Runs varnel-bench over the benchmark table and prints a table of figures.

The table (1,000,000 rows by 10 fields, about 103 MB) is made once with
varnel-gen-table under the data folder. Each operation runs several times
with its output going to /dev/null, as other tools are timed; the table
shows the wall time of the whole process (min and median), the file's MB
per second at the median, the peak resident memory, the bytes each cell
costs beside the file's own bytes, and the median time of every step the
driver reports on standard error. The load average before and after is
printed: figures taken on a busy machine are not comparable.

Each operation that writes then runs once more into a real file, whose time
is printed beside the others and whose bytes are checked: the plain write
must give exactly the table with every field quoted, and a sort must give
the same lines in the order of its column (numbers by value, text by the
lower-cased four-field key), the header first.
"""
import argparse
import csv
import hashlib
import os
import re
import statistics
import subprocess
import sys
import time

OPS = ["parse", "search", "sort_num", "sort_text", "write"]
WRITING = {"write", "sort_num", "sort_text"}
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


def load_average():
    with open("/proc/loadavg") as f:
        return f.read().split()[0]


def quoted_lines(table):
    """The table's lines as the writer puts them: every field quoted, CR LF."""
    with open(table, newline="", encoding="latin-1") as f:
        for row in csv.reader(f):
            yield ",".join('"' + field.replace('"', '""') + '"' for field in row).encode("latin-1") + b"\r\n"


def fields_of(line):
    # Lines of the benchmark table hold no quote inside a field.
    return line[1:-3].split(b'","')


def output_lines(out):
    """The lines of a written file, each with its CR LF."""
    with open(out, "rb") as f:
        rest = b""
        for block in iter(lambda: f.read(1 << 20), b""):
            lines = (rest + block).split(b"\r\n")
            rest = lines.pop()
            for line in lines:
                yield line + b"\r\n"
    if rest:
        yield rest


def check_output(op, table, out):
    """None when the written bytes are right, else what is wrong. Streams
    both files: this process stays small, since a child started from it
    reports this process's peak memory as its own."""
    if op == "write":
        expected, got = hashlib.sha256(), hashlib.sha256()
        for line in quoted_lines(table):
            expected.update(line)
        for line in output_lines(out):
            got.update(line)
        return None if got.digest() == expected.digest() else "bytes differ from the quoted table"
    header = next(quoted_lines(table))
    expected_count = expected_sum = 0
    for line in quoted_lines(table):
        expected_count += 1
        expected_sum += hash(line)
    count = total = 0
    column = 1 if op == "sort_num" else 3
    previous = None
    for line in output_lines(out):
        count += 1
        total += hash(line)
        if not line.endswith(b"\r\n"):
            return "line %d has no CR LF" % count
        if count == 1:
            if line != header:
                return "another header"
            continue
        fields = fields_of(line)
        key = float(fields[column]) if op == "sort_num" else b"".join(fields[column:column + 4]).lower()
        if previous is not None and previous > key:
            return "row %d is out of order" % count
        previous = key
    if count != expected_count or total != expected_sum:
        return "not the same lines as the table"
    return None


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

    print("table %s: %d rows, %.1f MB; %d runs per operation, output to /dev/null; %s; load average %s" %
          (table, args.rows, size / 1e6, args.runs, time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()),
           load_average()))
    header = "%-10s %8s %8s %8s %9s %9s  %s" % ("operation", "min s", "median s", "MB/s", "peak MB",
                                                "B/cell", "median step s (cpu s)")
    print(header)
    print("-" * len(header))
    failed = False
    checked = []
    for op in OPS:
        runs = [run_once(bench, op, table, "/dev/null")]
        if runs[0]["ok"]:
            runs += [run_once(bench, op, table, "/dev/null") for _ in range(args.runs - 1)]
        good = [r for r in runs if r["ok"]]
        if not good:
            reason = runs[0]["stderr"].splitlines()[-1] if runs[0]["stderr"] else "failed"
            print("%-10s %s" % (op, reason))
            if op != "search":
                failed = True
            continue
        times = [r["seconds"] for r in good]
        median = statistics.median(times)
        out_size = None
        if op in WRITING:
            real = run_once(bench, op, table, out)
            problem = check_output(op, table, out) if real["ok"] else real["stderr"]
            failed = failed or problem is not None
            out_size = os.path.getsize(out) if real["ok"] else None
            write = real["steps"].get("write", (float("nan"), float("nan")))
            checked.append("%-10s %8.3f s, write step %.3f (%.3f) s, %s" %
                           (op, real["seconds"], write[0], write[1], "bytes checked" if problem is None else
                            "WRONG: " + problem))
            if os.path.exists(out):
                os.remove(out)
        steps = []
        for name in ["read", "split", "sort", "search", "write"]:
            walls = [r["steps"][name][0] for r in good if name in r["steps"]]
            cpus = [r["steps"][name][1] for r in good if name in r["steps"]]
            if walls:
                steps.append("%s %.3f (%.3f)" % (name, statistics.median(walls), statistics.median(cpus)))
                if name == "write" and out_size:
                    steps[-1] += " = %.0f MB/s out" % (out_size / 1e6 / statistics.median(walls))
        rss = max(r["rss"] for r in good if r["rss"] is not None)
        cell = good[0]["cell"]
        print("%-10s %8.3f %8.3f %8.0f %9.1f %9.2f  %s" % (op, min(times), median, size / 1e6 / median, rss,
                                                          cell if cell is not None else float("nan"),
                                                          ", ".join(steps)))
    if checked:
        print("one run each into a real file:")
        for line in checked:
            print(line)
    print("load average after: %s" % load_average())
    for name in (out, out + ".meta.json"):
        if os.path.exists(name):
            os.remove(name)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
