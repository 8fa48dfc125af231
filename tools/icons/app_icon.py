"""Draws the application icon: a speaker with sound waves on a rounded blue tile."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
import raster  # noqa: E402


def rounded_tile(n, r):
    def inside(x, y):
        cx = min(max(x, r), n - r)
        cy = min(max(y, r), n - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def draw(n):
    c = raster.Canvas(n)
    u = n / 16.0
    c.fill(rounded_tile(n, 3 * u), (0.13, 0.40, 0.78))
    speaker = raster.polygon([(2.5 * u, 6 * u), (5 * u, 6 * u), (8.5 * u, 2.8 * u), (8.5 * u, 13.2 * u),
                              (5 * u, 10 * u), (2.5 * u, 10 * u)])
    white = (1.0, 1.0, 1.0)
    c.fill(speaker, white)
    w = max(1.1, 1.3 * u) if n <= 16 else 1.3 * u
    c.fill(raster.arc(8.5 * u, 8 * u, 2.6 * u, w, -50, 50), white)
    c.fill(raster.arc(8.5 * u, 8 * u, 5.2 * u, w, -50, 50), white)
    return c


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "..", "resources", "Lorvane.ico")
    raster.write_ico(out, [draw(s) for s in (16, 20, 24, 32, 48, 256)])
