#!/usr/bin/env python3
"""Archives for the ZIP tests, made on the build host by independent judges:
Info-ZIP's zip and Python's zipfile, deflated and stored, plus damaged and
hostile archives. The Windows build under Wine reads the same files.

    gen_zip_data.py <output folder> <zip program>

Output: station/ (the files packed), peers/*.zip, hostile/*.zip.
"""
import os
import random
import shutil
import subprocess
import sys
import zipfile


def station_files():
    rnd = random.Random(14)
    lines = "".join(f"{i:05d},CO,{rnd.uniform(0, 5):.3f},HC,{rnd.randint(0, 900)},PASS\n" for i in range(4000))
    return {
        "result.txt": lines.encode(),
        "packet.dat": bytes([0x55, 0xAA]) + rnd.randbytes(300 * 1024),  # incompressible
        "empty.ini": b"",
        "zeros.bin": bytes(2 * 1024 * 1024 + 17),  # compresses a thousand-fold
        "Mixed Case.LOG": b"[LOG]\r\nline=1\r\n" * 500,
    }


def write_station(out):
    folder = os.path.join(out, "station")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, "subfolder"))  # never packed
    with open(os.path.join(folder, "subfolder", "inner.txt"), "wb") as f:
        f.write(b"not packed\n")
    for name, data in station_files().items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    return folder


def peers(out, station, zip_program):
    folder = os.path.join(out, "peers")
    os.makedirs(folder, exist_ok=True)
    files = sorted(n for n in os.listdir(station) if os.path.isfile(os.path.join(station, n)))
    for level, tag in (("-6", "deflated"), ("-0", "stored")):
        target = os.path.join(folder, f"zip_{tag}.zip")
        if os.path.exists(target):
            os.remove(target)
        subprocess.run([zip_program, "-q", "-j", "-X", level, target] + [os.path.join(station, n) for n in files],
                       check=True)
    for method, tag in ((zipfile.ZIP_DEFLATED, "deflated"), (zipfile.ZIP_STORED, "stored")):
        with zipfile.ZipFile(os.path.join(folder, f"py_{tag}.zip"), "w", method) as z:
            for n in files:
                z.write(os.path.join(station, n), n)
    # A Chinese name: zipfile marks it as UTF-8 (flag 11); it unpacks under its GBK bytes.
    with zipfile.ZipFile(os.path.join(folder, "py_utf8name.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("检测报告.txt", b"report\n")
        z.writestr("second.txt", b"second\n")
    return files


def hostile(out, station, zip_program):
    folder = os.path.join(out, "hostile")
    os.makedirs(folder, exist_ok=True)
    # Entries whose names leave the destination, between two harmless ones.
    with zipfile.ZipFile(os.path.join(folder, "escape.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("first.txt", b"first\n")
        for name in ("../up.txt", "..\\upback.txt", "sub/../../deep.txt", "C:\\drive.txt", "C:rel.txt",
                     "/root.txt", "\\rootback.txt", ".."):
            z.writestr(zipfile.ZipInfo(name), b"escaped\n")
        z.writestr("last.txt", b"last\n")
    good = os.path.join(out, "peers", "py_deflated.zip")
    data = open(good, "rb").read()
    with open(os.path.join(folder, "truncated.zip"), "wb") as f:
        f.write(data[: len(data) - 30])  # the end record cut off
    with open(os.path.join(folder, "garbage.zip"), "wb") as f:
        f.write(random.Random(7).randbytes(5000))
    with open(os.path.join(folder, "empty.zip"), "wb") as f:
        pass
    # One damaged byte inside the deflated data of result.txt: a CRC or stream failure.
    with zipfile.ZipFile(good) as z:
        info = z.getinfo("result.txt")
    header = info.header_offset
    start = header + 30 + int.from_bytes(data[header + 26:header + 28], "little") + \
        int.from_bytes(data[header + 28:header + 30], "little")
    damaged = bytearray(data)
    damaged[start + info.compress_size // 2] ^= 0x40
    with open(os.path.join(folder, "badcrc.zip"), "wb") as f:
        f.write(damaged)
    # What the reader does not do: encryption and bzip2.
    for args, tag in ((["-P", "secret"], "encrypted"), (["-Z", "bzip2"], "bzip2")):
        target = os.path.join(folder, f"{tag}.zip")
        if os.path.exists(target):
            os.remove(target)
        subprocess.run([zip_program, "-q", "-j", "-X"] + args + [target, os.path.join(station, "result.txt")],
                       check=True)


def main():
    out, zip_program = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    station = write_station(out)
    files = peers(out, station, zip_program)
    hostile(out, station, zip_program)
    with open(os.path.join(out, "files.txt"), "w") as f:
        f.write("".join(n + "\n" for n in files))


if __name__ == "__main__":
    main()
