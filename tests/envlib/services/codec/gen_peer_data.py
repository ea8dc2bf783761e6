#!/usr/bin/env python3
"""Expected data of the codec tests, made on the build host by independent
judges: md5sum for the digests, Python's base64 module for Base64, and the
iconv program for the table of code page 936.

    gen_peer_data.py <output folder> <md5sum program> <iconv program>
"""
import base64
import os
import random
import subprocess
import sys

# Lengths around the MD5 padding boundaries, and one large file.
DIGEST_SIZES = [0, 55, 56, 63, 64, 65, 1000, 10 * 1024 * 1024]


def file_bytes(size):
    # No NUL bytes: the text forms of the digest take the same content.
    data = random.Random(size).randbytes(size)
    return data.translate(bytes([1]) + bytes(range(1, 256)))


def write_digests(out, md5sum):
    os.makedirs(os.path.join(out, "files"), exist_ok=True)
    lines = []
    for size in DIGEST_SIZES:
        path = os.path.join(out, "files", f"size_{size}.bin")
        with open(path, "wb") as f:
            f.write(file_bytes(size))
        if size == 1000:
            # What the tool's base64 command must print for this file.
            with open(os.path.join(out, "files", "size_1000.b64"), "w") as f:
                f.write(base64.b64encode(file_bytes(size)).decode() + "\n")
        digest = subprocess.run([md5sum, path], check=True, capture_output=True, text=True).stdout.split()[0]
        lines.append(f"{size} {digest}\n")
    with open(os.path.join(out, "md5sum.txt"), "w") as f:
        f.writelines(lines)


def write_base64(out):
    rng = random.Random(64)
    with open(os.path.join(out, "base64.txt"), "w") as f:
        for n in range(101):
            data = rng.randbytes(n)
            f.write(f"{n} {data.hex() or '-'} {base64.b64encode(data).decode() or '-'}\n")


def write_gb2312(out, iconv):
    # Every assigned two-byte code of GB2312 (rows 0xA1 to 0xF7), and the UTF-8
    # that iconv's CP936 gives it.
    codes = []
    for hi in range(0xA1, 0xF8):
        for lo in range(0xA1, 0xFF):
            try:
                bytes([hi, lo]).decode("gb2312")
            except UnicodeDecodeError:
                continue
            codes.append(bytes([hi, lo]))
    utf8 = subprocess.run([iconv, "-f", "CP936", "-t", "UTF-8"], input=b"\n".join(codes) + b"\n",
                          check=True, capture_output=True).stdout.split(b"\n")[:-1]
    if len(utf8) != len(codes):
        sys.exit("iconv gave %d characters for %d codes" % (len(utf8), len(codes)))
    with open(os.path.join(out, "gb2312.txt"), "w") as f:
        for code, u in zip(codes, utf8):
            f.write(f"{code.hex().upper()} {u.hex().upper()}\n")


def main():
    out, md5sum, iconv = sys.argv[1:4]
    os.makedirs(out, exist_ok=True)
    write_digests(out, md5sum)
    write_base64(out)
    write_gb2312(out, iconv)


if __name__ == "__main__":
    main()
