#!/usr/bin/env python3
"""Reads a screen dump in X's xwd format (TrueColor, 24 or 32 bits a pixel) and
answers questions about its pixels, so that the end-to-end test needs no image
tools.

    xwdimage.py FILE size                     -> "W H"
    xwdimage.py FILE pixel X Y                -> "RRGGBB"
    xwdimage.py FILE count X Y W H RRGGBB TOL -> pixels in the box within TOL of the colour
    xwdimage.py FILE digest X Y W H           -> a digest of the box's pixels
    xwdimage.py FILE png OUT [X Y W H]        -> writes the box (or all) as PNG
"""
import hashlib
import struct
import sys
import zlib


def read_xwd(path):
    data = open(path, "rb").read()
    header_size = struct.unpack(">I", data[0:4])[0]
    fields = struct.unpack(">25I", data[0:100])
    (header_size, version, pixmap_format, depth, width, height, xoffset, byte_order,
     bitmap_unit, bitmap_bit_order, bitmap_pad, bits_per_pixel, bytes_per_line,
     visual_class, red_mask, green_mask, blue_mask, bits_per_rgb, colormap_entries,
     ncolors, window_width, window_height, window_x, window_y, border_width) = fields
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        sys.exit("unsupported xwd: version %d format %d bpp %d" % (version, pixmap_format, bits_per_pixel))
    start = header_size + ncolors * 12
    return width, height, bytes_per_line, bits_per_pixel // 8, byte_order, (red_mask, green_mask, blue_mask), data[start:]


class Image:
    def __init__(self, path):
        self.width, self.height, self.stride, self.step, self.order, self.masks, self.pixels = read_xwd(path)
        self.shifts = [(m & -m).bit_length() - 1 for m in self.masks]

    def rgb(self, x, y):
        o = y * self.stride + x * self.step
        v = int.from_bytes(self.pixels[o:o + self.step], "little" if self.order == 0 else "big")
        return tuple((v & m) >> s for m, s in zip(self.masks, self.shifts))

    def box(self, x, y, w, h):
        for j in range(y, y + h):
            for i in range(x, x + w):
                yield self.rgb(i, j)


def png(image, path, x, y, w, h):
    rows = b"".join(b"\0" + b"".join(bytes(image.rgb(i, j)) for i in range(x, x + w)) for j in range(y, y + h))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(rows, 9)))
        f.write(chunk(b"IEND", b""))


def main():
    image = Image(sys.argv[1])
    command, args = sys.argv[2], sys.argv[3:]
    if command == "size":
        print(image.width, image.height)
    elif command == "pixel":
        print("%02X%02X%02X" % image.rgb(int(args[0]), int(args[1])))
    elif command == "count":
        x, y, w, h = map(int, args[:4])
        target = bytes.fromhex(args[4])
        tolerance = int(args[5])
        print(sum(1 for p in image.box(x, y, w, h) if all(abs(a - b) <= tolerance for a, b in zip(p, target))))
    elif command == "digest":
        x, y, w, h = map(int, args[:4])
        print(hashlib.sha1(bytes(c for p in image.box(x, y, w, h) for c in p)).hexdigest())
    elif command == "png":
        x, y, w, h = map(int, args[1:5]) if len(args) > 1 else (0, 0, image.width, image.height)
        png(image, args[0], x, y, w, h)
    else:
        sys.exit("unknown command: " + command)


if __name__ == "__main__":
    main()
