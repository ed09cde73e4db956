#!/usr/bin/env python3
"""Prints the pixels of an icon picture, to compare the desktop icons with the Windows icons.

usage: icon_pixels.py FILE
FILE is a PNG (8-bit RGB or RGBA, any filter; every chunk's CRC is checked) or a Windows icon
file with one 8-bit image. Prints "WIDTH HEIGHT", then one line per row, top first, of RRGGBB
values. Exits 1 with a message on a file it cannot read whole.
"""
import struct
import sys
import zlib


def fail(message):
    sys.exit("icon_pixels: %s: %s" % (sys.argv[1], message))


def png_pixels(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("no PNG signature")
    at = 8
    chunks = []
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if zlib.crc32(kind + body) != crc:
            fail("bad CRC in chunk " + kind.decode("latin-1"))
        chunks.append((kind, body))
        at += 12 + length
    if chunks[0][0] != b"IHDR" or chunks[-1][0] != b"IEND":
        fail("chunks out of order")
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    if depth != 8 or colour not in (2, 6) or interlace:
        fail("not 8-bit RGB or RGBA without interlace")
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = width * step
    if len(raw) != height * (stride + 1):
        fail("image data of %d bytes, expected %d" % (len(raw), height * (stride + 1)))
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i]
            corner = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
            elif kind != 0:
                fail("unknown filter %d" % kind)
        rows.append([tuple(line[x * step:x * step + 3]) for x in range(width)])
        previous = line
    return width, height, rows


def ico_pixels(data):
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind != 1 or count != 1:
        fail("not an icon file with one image")
    offset = struct.unpack("<I", data[18:22])[0]
    header = data[offset:offset + 40]
    width, height2, _, bits = struct.unpack("<IiHH", header[4:16])
    if bits != 8:
        fail("not an 8-bit icon")
    height = height2 // 2
    palette = data[offset + 40:offset + 40 + 1024]
    pixels = data[offset + 40 + 1024:]
    stride = (width + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # rows are stored bottom up
        row = []
        for x in range(width):
            i = pixels[y * stride + x]
            b, g, r = palette[4 * i:4 * i + 3]
            row.append((r, g, b))
        rows.append(row)
    return width, height, rows


def main():
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    width, height, rows = png_pixels(data) if data[:4] == b"\x89PNG" else ico_pixels(data)
    print(width, height)
    for row in rows:
        print(" ".join("%02x%02x%02x" % pixel for pixel in row))


main()
