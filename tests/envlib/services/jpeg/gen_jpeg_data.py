#!/usr/bin/env python3
"""Pictures of the JPEG tests, made on the build host: generated images
encoded by cjpeg, and the bitmaps djpeg decodes from them, the judge of the
converter. Pictures that no baseline decoder takes are made by cjpeg too
(progressive, arithmetic coding) or cut and patched from a baseline file.

    gen_jpeg_data.py <output folder> <cjpeg program> <djpeg program>

Writes <folder>/<name>.jpg, <folder>/<name>.bmp (djpeg's bitmap of a good
picture) and <folder>/cases.txt: one line "<name> good|bad" per picture.
"""
import os
import random
import subprocess
import sys

SAMPLINGS = {
    "444": "1x1,1x1,1x1",
    "422": "2x1,1x1,1x1",
    "420": "2x2,1x1,1x1",
    "440": "1x2,1x1,1x1",
    "411": "4x1,1x1,1x1",
    "grey": None,
}
SIZES = [(1, 1), (17, 9), (33, 65), (8, 8), (16, 16), (101, 77), (640, 480)]


def gradient(w, h, x, y):
    return (x * 255 // max(1, w - 1), y * 255 // max(1, h - 1), (x + y) * 255 // max(1, w + h - 2))


BARS = [(255, 255, 255), (255, 255, 0), (0, 255, 255), (0, 255, 0), (255, 0, 255), (255, 0, 0), (0, 0, 255),
        (0, 0, 0)]


def image(kind, w, h, seed):
    rng = random.Random(seed)
    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            if kind == "gradient":
                row += bytes(gradient(w, h, x, y))
            elif kind == "bars":
                row += bytes(BARS[x * 8 // w])
            else:
                row += rng.randbytes(3)
        rows.append(bytes(row))
    return b"".join(rows)


def ppm(w, h, rgb, grey):
    if grey:
        # The green channel as the grey level.
        return b"P5\n%d %d\n255\n" % (w, h) + rgb[1::3]
    return b"P6\n%d %d\n255\n" % (w, h) + rgb


def cjpeg(prog, source, options):
    return subprocess.run([prog] + options, input=source, check=True, capture_output=True).stdout


def good_cases():
    """(name, kind, width, height, sampling, quality, extra cjpeg options)"""
    kinds = ["gradient", "noise", "bars"]
    cases = []
    i = 0
    # Every sampling at every size, the kind, quality and table choices rotating.
    for sampling in SAMPLINGS:
        for w, h in SIZES:
            kind = kinds[i % 3]
            quality = [75, 90, 50, 100, 30][i % 5]
            extra = ["-optimize"] if i % 2 else []
            cases.append((f"{sampling}_{w}x{h}_{kind}_q{quality}{'_opt' if extra else ''}", kind, w, h, sampling,
                          quality, extra))
            i += 1
    # Qualities 10 to 100 on noise, the hardest picture for the tables.
    for sampling in ("420", "444", "grey"):
        for quality in range(10, 101, 10):
            cases.append((f"{sampling}_q{quality}", "noise", 33, 65, sampling, quality, []))
    # Restart intervals, in rows and in blocks, with and without optimised tables.
    for sampling in SAMPLINGS:
        for restart in ("1", "2B", "7B"):
            for opt in ([], ["-optimize"]):
                name = f"{sampling}_restart{restart}{'_opt' if opt else ''}"
                cases.append((name, "gradient", 101, 77, sampling, 85, ["-restart", restart] + opt))
    cases.append(("420_restart_none", "gradient", 101, 77, "420", 85, []))
    return cases


def bad_pictures(cjpeg_prog, source, base):
    """(name, bytes) of pictures a baseline decoder refuses."""
    bad = [
        ("progressive", cjpeg(cjpeg_prog, source, ["-progressive"])),
        ("arithmetic", cjpeg(cjpeg_prog, source, ["-arithmetic"])),
        # Tables of 16-bit entries (quality 10 without -baseline) make an
        # extended sequential frame.
        ("extended_q10", cjpeg(cjpeg_prog, source, ["-quality", "10"])),
        ("truncated_half", base[: len(base) // 2]),
        ("truncated_header", base[:100]),
        ("not_jpeg", b"This is a text file, not a picture.\n" * 20),
        ("empty", b""),
    ]
    # 12-bit samples: the frame header of the baseline file patched to an
    # extended sequential frame of precision 12, and a baseline frame
    # claiming precision 12.
    sof = base.index(b"\xff\xc0")
    twelve = bytearray(base)
    twelve[sof + 1] = 0xC1
    twelve[sof + 4] = 12
    bad.append(("twelve_bit", bytes(twelve)))
    twelve[sof + 1] = 0xC0
    bad.append(("twelve_bit_sof0", bytes(twelve)))
    # The entropy-coded data damaged in its middle: byte values that make
    # no code of the tables.
    damaged = bytearray(base)
    sos = base.index(b"\xff\xda")
    for k in range(sos + 40, len(base) - 2, 7):
        damaged[k] = 0xFF if k % 2 else 0x00
    bad.append(("damaged", bytes(damaged)))
    return bad


def main():
    out, cjpeg_prog, djpeg_prog = sys.argv[1:4]
    os.makedirs(out, exist_ok=True)
    lines = []
    for name, kind, w, h, sampling, quality, extra in good_cases():
        grey = sampling == "grey"
        source = ppm(w, h, image(kind, w, h, len(name) * 7919 + w), grey)
        options = ["-quality", str(quality), "-baseline", "-dct", "int"] + extra
        if not grey:
            options += ["-sample", SAMPLINGS[sampling]]
        jpeg = cjpeg(cjpeg_prog, source, options)
        jpg = os.path.join(out, name + ".jpg")
        with open(jpg, "wb") as f:
            f.write(jpeg)
        bmp = subprocess.run([djpeg_prog, "-nosmooth", "-dct", "int", "-rgb", "-bmp", jpg], check=True,
                             capture_output=True).stdout
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(bmp)
        lines.append(f"{name} good\n")
    source = ppm(64, 48, image("gradient", 64, 48, 1), False)
    base = cjpeg(cjpeg_prog, source, ["-quality", "75"])
    for name, data in bad_pictures(cjpeg_prog, source, base):
        with open(os.path.join(out, name + ".jpg"), "wb") as f:
            f.write(data)
        lines.append(f"{name} bad\n")
    with open(os.path.join(out, "cases.txt"), "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
