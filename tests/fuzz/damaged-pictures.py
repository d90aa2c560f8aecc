#!/usr/bin/env python3
"""Writes damaged copies of a PNG file that once crashed the picture decoding:
its last byte (the end chunk's CRC) flipped, the file cut 12 bytes short (no end
chunk), and its first byte zeroed.

    python3 tests/fuzz/damaged-pictures.py resources/About.png OUTDIR
"""
import pathlib
import sys

source, outdir = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
good = source.read_bytes()
outdir.mkdir(parents=True, exist_ok=True)

damaged = {
    "last-byte-flipped": good[:-1] + bytes([good[-1] ^ 0xFF]),
    "cut-12-bytes-short": good[:-12],
    "first-byte-zero": b"\x00" + good[1:],
}

for name, data in damaged.items():
    (outdir / f"{source.stem}-{name}{source.suffix}").write_bytes(data)
