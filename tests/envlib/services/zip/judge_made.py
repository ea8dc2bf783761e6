#!/usr/bin/env python3
"""Checks the archives zip_make wrote, on the build host: unzip -t finds no
error, and Python's zipfile reads back the station's bytes under bare names.

    judge_made.py <made folder> <station folder> <unzip program>
"""
import os
import subprocess
import sys
import zipfile


def main():
    made, station, unzip = sys.argv[1:4]
    files = sorted(n for n in os.listdir(station) if os.path.isfile(os.path.join(station, n)))
    archives = sorted(n for n in os.listdir(made) if n.endswith(".zip"))
    failures = []
    if not archives:
        failures.append("no archives were made")
    for name in archives:
        path = os.path.join(made, name)
        test = subprocess.run([unzip, "-tq", path], capture_output=True, text=True)
        if test.returncode != 0:
            failures.append(f"{name}: unzip -t: {test.stdout}{test.stderr}")
        expected = ["result.txt"] if name.endswith("-file.zip") else files
        with zipfile.ZipFile(path) as z:
            names = sorted(z.namelist())
            if names != sorted(expected):
                failures.append(f"{name}: entries {names}, expected {sorted(expected)}")
                continue
            for entry in names:
                info = z.getinfo(entry)
                if info.compress_type != zipfile.ZIP_DEFLATED:
                    failures.append(f"{name}: {entry} not deflated")
                with open(os.path.join(station, entry), "rb") as f:
                    if z.read(entry) != f.read():
                        failures.append(f"{name}: {entry} differs from the station file")
        print(f"{name}: {len(names)} entries checked")
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
