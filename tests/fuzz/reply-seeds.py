#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_replies (see RepliesFuzzer.cpp for their form).

    python3 tests/fuzz/reply-seeds.py tests/fuzz/corpus/replies
"""
import pathlib
import sys

BY_VERSION, JOINED_BY_JUCE, ACK_FIRST = 1, 2, 4
LINK, OTHER, NONE = 0, 2, 3

ACK = [0xF0, 0x4E, 0x7F, 0x0D, 0x0D, 0xF7]


def reply(status):
    return [0xF0, 0x4E, 0x7F, 0x0D, status, 0xF7]


def long_ack(length):
    return [0xF0, 0x4E, 0x7F, 0x0D, 0x0D] + [0x11] * (length - 6) + [0xF7]


def seed(modes, *pieces):
    """pieces: (source, bytes); longer than 64 bytes is sent as several."""
    out = [modes]
    for source, data in pieces:
        for i in range(0, len(data), 64):
            chunk = data[i:i + 64]
            out += [(source << 6) | (len(chunk) - 1)] + chunk
    return bytes(out)


seeds = {
    "acknowledge": seed(0, (LINK, ACK)),
    "acknowledge-asked-first": seed(ACK_FIRST, (LINK, ACK)),
    "acknowledge-joined": seed(JOINED_BY_JUCE, (LINK, ACK)),
    "version-reply": seed(BY_VERSION, (LINK, reply(0x01))),
    "version-reply-joined": seed(BY_VERSION | JOINED_BY_JUCE, (LINK, reply(0x02))),
    "version-prefix-only": seed(BY_VERSION, (LINK, [0xF0, 0x4E, 0x7F, 0x0D, 0xF7])),
    "refusal": seed(0, (LINK, reply(0x3F))),
    "echo-of-query": seed(0, (LINK, reply(0x78))),
    "short-prefix": seed(0, (LINK, [0xF0, 0x4E, 0x7F, 0xF7])),
    "another-maker": seed(0, (LINK, [0xF0, 0x43, 0x7F, 0x0D, 0x0D, 0xF7])),
    "split-in-two": seed(0, (LINK, ACK[:3]), (LINK, ACK[3:])),
    "split-in-three-joined": seed(JOINED_BY_JUCE, (LINK, ACK[:1]), (LINK, ACK[1:4]), (LINK, ACK[4:])),
    "fits-256": seed(0, (LINK, long_ack(256))),
    "overlong-257": seed(0, (LINK, long_ack(257)), (LINK, ACK)),
    "overlong-257-joined": seed(JOINED_BY_JUCE, (LINK, long_ack(257)), (LINK, ACK)),
    "stray-bytes-before": seed(0, (LINK, [0x7E, 0x01] + ACK)),
    "stray-bytes-after-reply": seed(0, (LINK, ACK), (LINK, [0x4E, 0x7F, 0x0D, 0x0D, 0xF7])),
    "stray-bytes-overflow": seed(0, (LINK, [0x11] * 256), (LINK, [0x11] + ACK)),
    "second-f0-restarts": seed(0, (LINK, [0xF0, 0x4E] + ACK)),
    "active-sensing-after": seed(0, (LINK, ACK + [0xFE])),
    "clock-inside-joined": seed(JOINED_BY_JUCE, (LINK, [0xF0, 0x4E, 0xF8, 0x7F, 0x0D, 0x0D, 0xF7])),
    "note-on-inside-joined": seed(JOINED_BY_JUCE, (LINK, [0xF0, 0x4E, 0x90, 0x40, 0x7F, 0x0D, 0xF7])),
    "from-another-port": seed(0, (LINK, ACK), (OTHER, ACK)),
    "from-no-port": seed(ACK_FIRST, (LINK, ACK), (NONE, [0xFE])),
    "other-port-then-link": seed(JOINED_BY_JUCE, (OTHER, [0xF0, 0x4E]), (LINK, ACK)),
}

outdir = pathlib.Path(sys.argv[1])
outdir.mkdir(parents=True, exist_ok=True)
for name, data in seeds.items():
    (outdir / name).write_bytes(data)
