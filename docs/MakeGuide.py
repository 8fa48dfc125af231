#!/usr/bin/env python3
"""Writes the user's guide as one self-contained HTML file: MakeGuide.py GUIDE.md OUT.html

The pictures (images/NAME-96.png beside the guide) are embedded; where a 144-DPI picture of the
same surface exists, that one is embedded at the 96-DPI picture's size, so the guide is sharp on
high-DPI screens and of the same layout everywhere.
"""
import base64
import html
import os
import re
import struct
import sys

import markdown

STYLE = """
body { font-family: "Segoe UI", Tahoma, Verdana, sans-serif; font-size: 11pt; line-height: 1.45;
       max-width: 50em; margin: 1.5em auto; padding: 0 1em; color: #222; }
h1 { font-size: 18pt; color: #1f4e79; border-bottom: 1px solid #1f4e79; }
h2 { font-size: 14pt; color: #1f4e79; margin-top: 1.6em; }
table { border-collapse: collapse; margin: 0.6em 0; }
td, th { border: 1px solid #999; padding: 3px 8px; vertical-align: top; text-align: left; }
th { background: #e8eef5; }
code, pre { font-family: Consolas, "Courier New", monospace; font-size: 10pt; }
pre { background: #f4f4f4; padding: 0.5em 0.8em; }
img { vertical-align: top; margin: 0.2em 0.6em 0.2em 0; }
"""


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"MakeGuide: {path} is not a PNG file")
    return struct.unpack(">II", head[16:24])


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, out = sys.argv[1:]
    folder = os.path.dirname(os.path.abspath(source))
    with open(source, encoding="utf-8") as f:
        text = f.read()
    body = markdown.markdown(text, extensions=["tables", "fenced_code", "toc"], output_format="html")
    title = re.search(r"^# (.+)$", text, re.M)

    def embed(m):
        name = m.group(1)
        shown = os.path.join(folder, "images", name)
        if not os.path.exists(shown):
            # Not taken yet: the test PictureList names it; the guide keeps the picture's caption.
            print(f"MakeGuide: the guide shows images/{name}, which is not there yet (tools/screenshots makes it)")
            return 'src=""'
        width, height = png_size(shown)
        sharp = os.path.join(folder, "images", re.sub(r"-96\.png$", "-144.png", name))
        data = sharp if name.endswith("-96.png") and os.path.exists(sharp) else shown
        with open(data, "rb") as f:
            encoded = base64.b64encode(f.read()).decode("ascii")
        return f'src="data:image/png;base64,{encoded}" width="{width}" height="{height}"'

    body = re.sub(r'src="images/([A-Za-z0-9_.-]+\.png)"', embed, body)
    page = ("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            f"<title>{html.escape(title.group(1) if title else 'Lorvane')}</title>\n"
            f"<style>{STYLE}</style>\n</head>\n<body>\n{body}\n</body>\n</html>\n")
    with open(out, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(page)


if __name__ == "__main__":
    main()
