#!/usr/bin/env python3
"""Writes the stand-in firmware image: 24832 deterministic bytes (194 pages of 128).

It is not firmware for the unit. It exists so the upload can be proven byte for byte:
every value 0x00-0xFF occurs, and about half the bytes have bit 7 set, so every page
exercises the 7-bit split.
"""
import sys

SIZE = 24832


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources/firmware-standin.bin"
    state = 0x2545F491
    data = bytearray()
    for _ in range(SIZE):
        # xorshift32
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        data.append(state & 0xFF)
    # Pages 1 and 2 carry every byte value, low and high ones alternating, so none
    # can be missing and each of those pages has both kinds.
    data[128:128 + 256] = bytes((i >> 1) | ((i & 1) << 7) for i in range(256))
    assert len(data) == SIZE and len(set(data)) == 256
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
