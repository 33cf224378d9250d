#!/usr/bin/env python3
"""The figures of a measurements CSV computed another way: Python's statistics module, exact arithmetic.

Input: CSV with the heading grain,when,W,N,m,t (empty: null; when as YYYY-MM-DDTHH:MM:SS) and the moisture
limit as the second argument. Output: one line per grain in name order, then one for all rows ("*"), tab-separated:
key rows w_count w_nulls mean min max stdev median n_mean m_mean t_mean above first last, "-" for no figure.
"""
import csv
import statistics
import sys


def figure(value):
    return "-" if value is None else repr(value)


def summary(key, rows, limit):
    w = [float(r["W"]) for r in rows if r["W"] != ""]
    line = [key, str(len(rows)), str(len(w)), str(len(rows) - len(w))]
    line += [figure(statistics.mean(w)) if w else "-", figure(min(w)) if w else "-", figure(max(w)) if w else "-"]
    line += [figure(statistics.stdev(w)) if len(w) > 1 else "-", figure(statistics.median(w)) if w else "-"]
    for field in ("N", "m", "t"):
        values = [float(r[field]) for r in rows if r[field] != ""]
        line.append(figure(statistics.mean(values)) if values else "-")
    line.append(str(sum(1 for x in w if x > limit)))
    dates = sorted(r["when"] for r in rows if r["when"] != "")
    line += [dates[0] if dates else "-", dates[-1] if dates else "-"]
    return "\t".join(line)


def main():
    with open(sys.argv[1], newline="", encoding="utf-8") as source:
        rows = list(csv.DictReader(source))
    limit = float(sys.argv[2])
    by_grain = {}
    for row in rows:
        by_grain.setdefault(row["grain"], []).append(row)
    for grain in sorted(by_grain, key=lambda name: name.encode("utf-8")):
        print(summary(grain, by_grain[grain], limit))
    print(summary("*", rows, limit))


main()
