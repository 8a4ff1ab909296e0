"""Image writers shared by our art scripts: PNG (RGBA) and 24-bit BMP, standard library only."""
import struct
import zlib


def write_png(path, width, height, rgba):
    raw = b"".join(b"\x00" + bytes(rgba[y * width * 4:(y + 1) * width * 4]) for y in range(height))

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_bmp24(path, width, height, rgb):
    stride = (width * 3 + 3) & ~3
    out = bytearray()
    out += b"BM" + struct.pack("<IHHI", 14 + 40 + stride * height, 0, 0, 54)
    out += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, stride * height, 2835, 2835, 0, 0)
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = rgb[y * width + x]
            row += bytes((b, g, r))
        row += b"\x00" * (stride - width * 3)
        out += row
    with open(path, "wb") as f:
        f.write(out)
