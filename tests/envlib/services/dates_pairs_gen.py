#!/usr/bin/env python3
"""Random date pairs between 1901 and 2099 (where every fourth year is a leap
year, as in the Gregorian calendar) with their spans from Python's datetime,
for the date tests. One line per pair:

    date1|date2|days|datetime1|datetime2|seconds

Dates are written with and without leading zeros; some date-times have no time
part (midnight) or no seconds. Seconds beyond the 32-bit range are held at
+-2147483647, as the library's result is.

    python3 dates_pairs_gen.py --out FILE [--count 10000] [--seed 13]
"""

import argparse
import datetime
import random

LIMIT = 2**31 - 1
SPAN = 60 * 365 * 86400
FIRST = datetime.datetime(1901, 1, 1)
LAST = datetime.datetime(2099, 12, 31, 23, 59, 59)


def moment(rng):
    return FIRST + datetime.timedelta(seconds=rng.randrange(int((LAST - FIRST).total_seconds()) + 1))


def date_text(rng, d):
    if rng.random() < 0.5:
        return "%d-%02d-%02d" % (d.year, d.month, d.day)
    return "%d-%d-%d" % (d.year, d.month, d.day)


def datetime_text(rng, t):
    """The text and the moment it stands for (a dropped part counts as 0)."""
    date = date_text(rng, t)
    kind = rng.random()
    if kind < 0.1:
        return date, t.replace(hour=0, minute=0, second=0)
    if kind < 0.2:
        return "%s %d:%02d" % (date, t.hour, t.minute), t.replace(second=0)
    return "%s %02d:%02d:%02d" % (date, t.hour, t.minute, t.second), t


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", required=True)
    ap.add_argument("--count", type=int, default=10000)
    ap.add_argument("--seed", type=int, default=13)
    args = ap.parse_args()
    rng = random.Random(args.seed)
    with open(args.out, "w", newline="\n") as f:
        for _ in range(args.count):
            a, b = moment(rng), moment(rng)
            if rng.random() < 0.2:  # near pairs: across a day, month or year end
                b = a + datetime.timedelta(seconds=rng.randrange(-3 * 86400, 3 * 86400))
                b = min(max(b, FIRST), LAST)
            days = (b.date() - a.date()).days
            # Most date-time pairs lie within the 68 years that the seconds
            # hold, so that the arithmetic is checked rather than the limit.
            c = b
            if rng.random() < 0.7:
                c = a + datetime.timedelta(seconds=rng.randrange(-SPAN, SPAN + 1))
                c = min(max(c, FIRST), LAST)
            ta, ma = datetime_text(rng, a)
            tb, mb = datetime_text(rng, c)
            seconds = int((mb - ma).total_seconds())
            seconds = max(-LIMIT, min(LIMIT, seconds))
            f.write("%s|%s|%d|%s|%s|%d\n" % (date_text(rng, a), date_text(rng, b), days, ta, tb, seconds))


if __name__ == "__main__":
    main()
