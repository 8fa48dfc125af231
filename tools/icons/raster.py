"""Tiny anti-aliased rasteriser and image writers (ICO, PNG, BMP) for the program's pictures.

Shapes are coverage functions f(x, y) -> 0..1 in pixel units of the target size; each pixel
is sampled on a 4 x 4 grid, so pictures stay crisp at 16 pixels without any image library.
"""
import math
import struct
import zlib

SAMPLES = 4


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(size)] for _ in range(size)]

    def fill(self, inside, rgb, alpha=1.0):
        """Paints rgb wherever inside(x, y) holds, blended over what is there."""
        n = self.size
        step = 1.0 / SAMPLES
        for y in range(n):
            for x in range(n):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if inside(x + (sx + 0.5) * step, y + (sy + 0.5) * step):
                            hits += 1
                if hits:
                    a = alpha * hits / (SAMPLES * SAMPLES)
                    self._blend(x, y, rgb, a)

    def _blend(self, x, y, rgb, a):
        r0, g0, b0, a0 = self.px[y][x]
        out = a + a0 * (1 - a)
        if out <= 0:
            return
        mix = lambda c, c0: (c * a + c0 * a0 * (1 - a)) / out
        self.px[y][x] = (mix(rgb[0], r0), mix(rgb[1], g0), mix(rgb[2], b0), out)

    def rgba_rows(self):
        for row in self.px:
            yield bytes(
                v for r, g, b, a in row
                for v in (round(r * 255), round(g * 255), round(b * 255), round(a * 255)))


# Shape helpers (coordinates in pixels of the canvas).
def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def arc(cx, cy, radius, width, start_deg, end_deg):
    """A ring segment, angles measured from the positive x axis, y pointing down."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - radius) > width / 2:
            return False
        ang = math.degrees(math.atan2(cy - y, x - cx))
        return start_deg <= ang <= end_deg
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def png_bytes(canvas):
    raw = b"".join(b"\x00" + row for row in canvas.rgba_rows())
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    n = canvas.size
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib_bytes(canvas):
    """32-bit BGRA device-independent bitmap with an AND mask, as icon resources hold it."""
    n = canvas.size
    rows = list(canvas.rgba_rows())
    header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    color = b""
    for row in reversed(rows):
        for i in range(0, len(row), 4):
            r, g, b, a = row[i:i + 4]
            color += bytes((b, g, r, a))
    mask_stride = ((n + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(n):
            if row[x * 4 + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + color + mask


def write_ico(path, canvases, png_from=20):
    """Pictures below `png_from` pixels as bitmaps (the tray's 16 pixels readable by every
    system), the larger ones as PNG, which keeps a six-size file a few kilobytes."""
    images = [(c.size, png_bytes(c) if c.size >= png_from else dib_bytes(c)) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(path, "wb") as f:
        f.write(out)


def write_png(path, canvas):
    with open(path, "wb") as f:
        f.write(png_bytes(canvas))
