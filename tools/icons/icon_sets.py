"""Draws the icon sets that are laid beside the program (resources/install/Icons/<set>/).

    python3 tools/icons/icon_sets.py [ICONS_FOLDER] [--preview FILE.ppm]

Every file is an ICO with 16, 20, 24, 32, 40 and 48 pixel pictures: the tray and icon-list
sizes at 100 to 300 % scaling. The 16-pixel picture is a bitmap, the larger ones PNG.

Digital White (the default set): the level in white segment digits with a dark rim, so that
it reads on dark and light taskbars alike. One picture per percent (Vol000 .. Vol100, the
level ranges of 101 pictures are exactly the whole percents), VolMin (a silent speaker) and
VolMax; MuteMin is a speaker with a red cross (every muted state with "always display 0 %
when muting"), Mute000 .. Mute100 are the same digits struck through, one per percent too,
so a muted icon shows the level it will come back to.

Speaker Blue: a speaker with no to three waves, and a crossed speaker for every muted state.
Bar Meter: a five-bar level meter, red when muted.

The pictures are pixel-aligned rectangles and strokes sampled 4 x 4 per pixel; nothing but
the standard library is needed. Run it after changing a picture and commit the output.
"""
import math
import os
import shutil
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import raster  # noqa: E402

SS = 4  # samples per pixel along each axis

WHITE = (1.0, 1.0, 1.0)
RIM = (0.0, 0.0, 0.0)
RIM_ALPHA = 0.9
MUTED_DIGITS = (0.80, 0.80, 0.80)
RED = (0.93, 0.20, 0.17)
BLUE = (0.22, 0.52, 0.98)

ICO_SIZES = (16, 20, 24, 32, 40, 48)


class Mask:
    """A supersampled coverage mask of an n x n picture."""

    def __init__(self, n):
        self.n = n
        self.side = n * SS
        self.bits = bytearray(self.side * self.side)

    def _cells(self, x0, y0, x1, y1):
        lo = lambda v: max(0, int(math.floor(v * SS)))
        hi = lambda v: min(self.side, int(math.ceil(v * SS)))
        for sy in range(lo(y0), hi(y1)):
            for sx in range(lo(x0), hi(x1)):
                yield sx, sy, (sx + 0.5) / SS, (sy + 0.5) / SS

    def rect(self, x0, y0, x1, y1, grow=0.0):
        """The rectangle, grown by `grow` pixels with rounded corners."""
        for sx, sy, cx, cy in self._cells(x0 - grow, y0 - grow, x1 + grow, y1 + grow):
            dx = max(x0 - cx, 0.0, cx - x1)
            dy = max(y0 - cy, 0.0, cy - y1)
            if dx * dx + dy * dy <= grow * grow:
                self.bits[sy * self.side + sx] = 1

    def stroke(self, ax, ay, bx, by, width):
        """A straight stroke with round ends."""
        r = width / 2.0
        vx, vy = bx - ax, by - ay
        length2 = vx * vx + vy * vy or 1e-9
        for sx, sy, cx, cy in self._cells(min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r):
            t = max(0.0, min(1.0, ((cx - ax) * vx + (cy - ay) * vy) / length2))
            px, py = ax + t * vx - cx, ay + t * vy - cy
            if px * px + py * py <= r * r:
                self.bits[sy * self.side + sx] = 1

    def polygon(self, points, grow=0.0):
        """The polygon, optionally grown by `grow` pixels."""
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        inside = raster.polygon(points)
        edges = list(zip(points, points[1:] + points[:1]))
        for sx, sy, cx, cy in self._cells(min(xs) - grow, min(ys) - grow, max(xs) + grow, max(ys) + grow):
            hit = inside(cx, cy)
            if not hit and grow > 0:
                for (ax, ay), (bx, by) in edges:
                    vx, vy = bx - ax, by - ay
                    t = max(0.0, min(1.0, ((cx - ax) * vx + (cy - ay) * vy) / ((vx * vx + vy * vy) or 1e-9)))
                    px, py = ax + t * vx - cx, ay + t * vy - cy
                    if px * px + py * py <= grow * grow:
                        hit = True
                        break
            if hit:
                self.bits[sy * self.side + sx] = 1

    def arc(self, cx0, cy0, radius, width, start_deg, end_deg):
        r = width / 2.0
        for sx, sy, cx, cy in self._cells(cx0 - radius - r, cy0 - radius - r, cx0 + radius + r, cy0 + radius + r):
            ang = math.degrees(math.atan2(cy0 - cy, cx - cx0))
            if start_deg <= ang <= end_deg:
                if abs(math.hypot(cx - cx0, cy - cy0) - radius) <= r:
                    self.bits[sy * self.side + sx] = 1
            else:  # round ends
                for a in (start_deg, end_deg):
                    ex = cx0 + radius * math.cos(math.radians(a))
                    ey = cy0 - radius * math.sin(math.radians(a))
                    if (cx - ex) ** 2 + (cy - ey) ** 2 <= r * r:
                        self.bits[sy * self.side + sx] = 1

    def coverage(self, x, y):
        total = 0
        base = y * SS * self.side + x * SS
        for j in range(SS):
            row = base + j * self.side
            total += sum(self.bits[row:row + SS])
        return total / (SS * SS)


def compose(n, layers):
    """A raster.Canvas of the layers (mask, rgb, alpha), painted in order."""
    c = raster.Canvas(n)
    for mask, rgb, alpha in layers:
        for y in range(n):
            for x in range(n):
                a = mask.coverage(x, y) * alpha
                if a > 0:
                    c._blend(x, y, rgb, a)
    return c


# ---- segment digits

# Which segments each digit lights: a top, b upper right, c lower right, d bottom,
# e lower left, f upper left, g middle.
SEGMENTS = {
    "0": "abcdef", "1": "bc", "2": "abdeg", "3": "abcdg", "4": "bcfg",
    "5": "acdfg", "6": "acdefg", "7": "abc", "8": "abcdefg", "9": "abcdfg",
}

# Per size: digit height, stroke, top; two-digit width and gap; three-digit ("100") width and
# gap. Integers keep every edge on the pixel grid, so the digits stay sharp at 16 pixels.
LAYOUT = {
    16: dict(h=10, s=2, top=3, w2=6, gap2=2, w3=5, gap3=1, rim=1.0),
    20: dict(h=14, s=2, top=3, w2=8, gap2=2, w3=6, gap3=1, rim=1.0),
    24: dict(h=17, s=3, top=3, w2=9, gap2=2, w3=7, gap3=1, rim=1.2),
    32: dict(h=22, s=4, top=5, w2=12, gap2=3, w3=10, gap3=2, rim=1.5),
    40: dict(h=28, s=5, top=6, w2=15, gap2=4, w3=12, gap3=2, rim=1.8),
    48: dict(h=34, s=6, top=7, w2=18, gap2=5, w3=14, gap3=3, rim=2.1),
}


def digit_rects(ch, x, y, w, h, s, narrow_one):
    """Rectangles of one digit whose cell starts at (x, y); a narrow "1" fills its cell."""
    mt = (h - s) // 2
    if ch == "1" and narrow_one:
        return [(x, y, x + s, y + h)]
    parts = {
        "a": (x, y, x + w, y + s),
        "b": (x + w - s, y, x + w, y + mt + s),
        "c": (x + w - s, y + mt, x + w, y + h),
        "d": (x, y + h - s, x + w, y + h),
        "e": (x, y + mt, x + s, y + h),
        "f": (x, y, x + s, y + mt + s),
        "g": (x, y + mt, x + w, y + mt + s),
    }
    return [parts[p] for p in SEGMENTS[ch]]


def number_rects(n, text):
    """The rectangles of `text` centred in an n-pixel picture, and the text's bounds."""
    L = LAYOUT[n]
    h, s, top = L["h"], L["s"], L["top"]
    three = len(text) == 3
    w = L["w3"] if three else L["w2"]
    gap = L["gap3"] if three else L["gap2"]
    widths = [s if (three and ch == "1") else w for ch in text]
    total = sum(widths) + gap * (len(text) - 1)
    x = (n - total) // 2
    rects = []
    for ch, cw in zip(text, widths):
        rects += digit_rects(ch, x, top, w, h, s, three)
        x += cw + gap
    return rects, ((n - total) // 2, top, (n - total) // 2 + total, top + h)


def draw_number(n, value, muted):
    L = LAYOUT[n]
    rects, (x0, y0, x1, y1) = number_rects(n, str(value))
    rim, body = Mask(n), Mask(n)
    for r in rects:
        rim.rect(*r, grow=L["rim"])
        body.rect(*r)
    layers = [(rim, RIM, RIM_ALPHA), (body, MUTED_DIGITS if muted else WHITE, 1.0)]
    if muted:
        # A red stroke across the digits, corner to corner, with its own rim.
        width = max(1.6, L["s"] * 0.85)
        ax, ay, bx, by = x0 - 0.5, y1 + 0.5, x1 + 0.5, y0 - 0.5
        slash_rim, slash = Mask(n), Mask(n)
        slash_rim.stroke(ax, ay, bx, by, width + 2 * L["rim"])
        slash.stroke(ax, ay, bx, by, width)
        layers += [(slash_rim, RIM, RIM_ALPHA), (slash, RED, 1.0)]
    return compose(n, layers)


# ---- speakers

def speaker_points(n, dx=0.0):
    u = n / 16.0
    pts = [(2.0, 6.0), (4.5, 6.0), (8.0, 2.8), (8.0, 13.2), (4.5, 10.0), (2.0, 10.0)]
    return [((x + dx) * u, y * u) for x, y in pts]


def draw_speaker(n, rgb, waves=0, cross=False, dx=0.0):
    u = n / 16.0
    rim_w = max(1.0, 0.075 * n)
    rim, body = Mask(n), Mask(n)
    pts = speaker_points(n, dx)
    rim.polygon(pts, grow=rim_w)
    body.polygon(pts)
    layers = [(rim, RIM, RIM_ALPHA), (body, rgb, 1.0)]
    wave_rim, wave = Mask(n), Mask(n)
    stroke = 1.3 * u
    for k in range(waves):
        radius = (2.8 + 2.2 * k) * u
        cx = (8.0 + dx) * u
        wave_rim.arc(cx, 8.0 * u, radius, stroke + 2 * rim_w, -48, 48)
        wave.arc(cx, 8.0 * u, radius, stroke, -48, 48)
    if waves:
        layers += [(wave_rim, RIM, RIM_ALPHA), (wave, rgb, 1.0)]
    if cross:
        cross_rim, cross_body = Mask(n), Mask(n)
        x0, y0, x1, y1 = 10.0 * u, 5.5 * u, 14.5 * u, 10.5 * u
        w = 1.7 * u
        for a, b in (((x0, y0), (x1, y1)), ((x0, y1), (x1, y0))):
            cross_rim.stroke(*a, *b, w + 2 * rim_w)
            cross_body.stroke(*a, *b, w)
        layers += [(cross_rim, RIM, RIM_ALPHA), (cross_body, RED, 1.0)]
    return compose(n, layers)


# ---- the bar meter

METER_ON = (40 / 255, 200 / 255, 60 / 255)
METER_MUTED = (200 / 255, 40 / 255, 40 / 255)
METER_OFF = (110 / 255, 110 / 255, 110 / 255)
METER_EDGE = (20 / 255, 20 / 255, 20 / 255)


def bar_meter(n, lit, muted):
    """Five bars rising to the right, `lit` of them on (all of them red when muted); edges on
    whole pixels so that every size stays sharp."""
    u = n / 16.0
    edge, off, on = Mask(n), Mask(n), Mask(n)
    width = max(2, round(2 * u))
    rim = max(1, round(u))
    for i in range(5):
        x0 = round((1 + 3 * i) * u)
        height = 4 + i * 2 + (1 if i == 4 else 0)
        y0 = round((15 - height) * u)
        y1 = round(15 * u)
        edge.rect(x0 - rim, y0 - rim, x0 + width + rim, min(n, y1 + rim))
        (on if (i < lit or muted) else off).rect(x0, y0, x0 + width, y1)
    return compose(n, [(edge, METER_EDGE, 1.0), (off, METER_OFF, 1.0), (on, METER_MUTED if muted else METER_ON, 1.0)])


# ---- the sets

def fresh(folder):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)


def digital_white(folder):
    fresh(folder)
    for level in range(101):
        raster.write_ico(os.path.join(folder, "Vol%03d.ico" % level), [draw_number(n, level, False) for n in ICO_SIZES])
    for level in range(101):
        raster.write_ico(os.path.join(folder, "Mute%03d.ico" % level), [draw_number(n, level, True) for n in ICO_SIZES])
    raster.write_ico(os.path.join(folder, "VolMin.ico"), [draw_speaker(n, WHITE, dx=3.0) for n in ICO_SIZES])
    raster.write_ico(os.path.join(folder, "VolMax.ico"), [draw_number(n, 100, False) for n in ICO_SIZES])
    raster.write_ico(os.path.join(folder, "MuteMin.ico"), [draw_speaker(n, WHITE, cross=True) for n in ICO_SIZES])


def speaker_blue(folder):
    fresh(folder)
    for waves in range(4):
        raster.write_ico(os.path.join(folder, "Vol%d.ico" % waves),
                         [draw_speaker(n, BLUE, waves=waves, dx=-0.5) for n in ICO_SIZES])
    raster.write_ico(os.path.join(folder, "Mute.ico"), [draw_speaker(n, BLUE, cross=True) for n in ICO_SIZES])


def bar_meter_set(folder):
    fresh(folder)
    for lit in range(6):
        raster.write_ico(os.path.join(folder, "Vol%d.ico" % lit), [bar_meter(n, lit, False) for n in ICO_SIZES])
    raster.write_ico(os.path.join(folder, "Mute.ico"), [bar_meter(n, 5, True) for n in ICO_SIZES])


def preview(path, sizes=ICO_SIZES):
    """A contact sheet (PPM) of some Digital White pictures on a dark and a light strip."""
    samples = [lambda n: draw_number(n, 7, False), lambda n: draw_number(n, 45, False),
               lambda n: draw_number(n, 100, False), lambda n: draw_number(n, 45, True),
               lambda n: draw_speaker(n, WHITE, dx=3.0), lambda n: draw_speaker(n, WHITE, cross=True),
               lambda n: draw_speaker(n, BLUE, waves=3, dx=-0.5), lambda n: bar_meter(n, 3, False)]
    zoom = 3
    cell = 52
    backgrounds = [(16, 16, 20), (40, 40, 48), (200, 200, 200), (243, 243, 243)]
    width = cell * len(samples) * zoom
    height = cell * len(sizes) * len(backgrounds) * zoom
    img = [[(0, 0, 0)] * width for _ in range(height)]
    for bi, bg in enumerate(backgrounds):
        for si, n in enumerate(sizes):
            for ki, make in enumerate(samples):
                c = make(n)
                oy = (bi * len(sizes) + si) * cell
                ox = ki * cell
                for y in range(cell):
                    for x in range(cell):
                        col = bg
                        if 0 <= x - 2 < n and 0 <= y - 2 < n:
                            r, g, b, a = c.px[y - 2][x - 2]
                            col = tuple(round(cv * 255 * a + bc * (1 - a)) for cv, bc in zip((r, g, b), bg))
                        for zy in range(zoom):
                            row = img[(oy + y) * zoom + zy]
                            for zx in range(zoom):
                                row[(ox + x) * zoom + zx] = col
    with open(path, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (width, height))
        for row in img:
            f.write(b"".join(bytes(p) for p in row))


if __name__ == "__main__":
    args = sys.argv[1:]
    if args[:1] == ["--preview"]:
        preview(args[1])
        sys.exit(0)
    out = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources",
                                            "install", "Icons")
    digital_white(os.path.join(out, "Digital White"))
    speaker_blue(os.path.join(out, "Speaker Blue"))
    bar_meter_set(os.path.join(out, "Bar Meter"))
