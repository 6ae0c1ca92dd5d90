#!/usr/bin/env python3
"""After a stress run: the steps that miss their target, each with the time
the command-line driver of the same build takes for the same work.

Targets: at 5,000,000 rows every step takes at most 3 s, and a step that
took 0.3 s or more at 1,000,000 rows takes at most 6 times that (compared
with the same build's 1,000,000-row log when there is one); at 10,000,000
rows every step takes at most 5 s. The driver runs under Wine for the
Windows builds.
"""
import re
import subprocess
import sys

STEP_RE = re.compile(r"^(\S.*?\S)\s{2,}([0-9.]+) s\b")
# The driver's operation for each step, and the steps of its output to add up.
DRIVER = {
    "load (import dialog's Load)": ("parse", "", ["read", "split"]),
    "sort by a column click (name)": ("sort_name", "", ["sort"]),
    "search \"needle\" (some rows)": ("search", "needle", ["search"]),
    "search \"shipped or pending\"": ("search", "shipped or pending", ["search"]),
    "search \"-\" (every row)": ("search", "-", ["search"]),
}


def steps(log):
    out = {}
    for line in open(log, encoding="utf-8", errors="replace"):
        m = STEP_RE.match(line.rstrip("\n"))
        if m and not line.startswith("stress:") and not line.startswith("run peaks"):
            out[m.group(1)] = float(m.group(2))
    return out


def main():
    log, base_log, rows, driver, table_win = sys.argv[1:6]
    driver = driver.split()
    rows = int(rows)
    now = steps(log)
    base = steps(base_log) if base_log != "-" else {}
    limit = 5.0 if rows >= 10_000_000 else 3.0 if rows >= 5_000_000 else None
    misses = []
    for name, seconds in now.items():
        why = []
        if limit is not None and seconds > limit:
            why.append("over %.0f s" % limit)
        if rows == 5_000_000 and base.get(name, 0) >= 0.3 and seconds > 6 * base[name]:
            why.append("over 6x its 1,000,000-row time (%.2f s)" % base[name])
        if why:
            misses.append((name, seconds, why))
    if limit is None:
        print("stress-compare: no targets at %d rows" % rows)
        return 0
    if not misses:
        print("stress-compare: every step within its target")
        return 0
    for name, seconds, why in misses:
        if name not in DRIVER:
            print("  %s  %.2f s: %s; the driver has no such operation" % (name, seconds, ", ".join(why)))
            continue
        op, needle, parts = DRIVER[name]
        proc = subprocess.run(driver + [op, table_win, "NUL", needle or "needle"], capture_output=True, text=True)
        found = dict(re.findall(r"step (\w+) ([0-9.]+) s", proc.stderr))
        took = sum(float(found.get(p, "nan")) for p in parts)
        print("  %s  %.2f s: %s; the driver of this build takes %.2f s for it (%s)" %
              (name, seconds, ", ".join(why), took, " + ".join(parts)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
