#!/usr/bin/env python3
"""Lays out the project of one help file from its source, ready for chmcmd.

    MakeHelp.py SOURCE.md WORKDIR NAME LANGUAGE CODEPAGE

SOURCE.md holds every topic of one language in Markdown. Lines before the first topic set
the file's title and the caption of the link back to the start topic:

    title: Lorvane Help
    contents: Contents

Each topic starts with a level-1 heading, its title, followed by its kind and file name and
its index keywords:

    # System
    page: system
    index: System; Start with Windows; Reset at exit

"page:" topics are the settings dialog's pages (the contents list them under the start topic),
"topic:" ones stand on their own; the first topic is the start topic. Pictures are written as
Markdown images of ../docs/images/NAME.png; they are copied into the project.

WORKDIR receives the topics (HTML, UTF-8), style.css, the pictures, NAME.hhp, NAME.hhc and
NAME.hhk in CODEPAGE (the ANSI code page of LANGUAGE, e.g. "cp1252"; "ascii" for English),
and NAME.utf8.hhk, the index in UTF-8, for the build's index check.
"""
import html
import os
import re
import shutil
import sys

import markdown

IMAGE = re.compile(r'src="(?:\.\./)*(?:docs/)?images/([A-Za-z0-9_.-]+\.png)"')


class Topic:
    def __init__(self, title):
        self.title = title
        self.kind = None
        self.name = None
        self.keywords = []
        self.body = []


def parse(path):
    settings = {}
    topics = []
    fence = False
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    for line in lines:
        if line.startswith("```"):
            fence = not fence
        if not fence and line.startswith("# "):
            topics.append(Topic(line[2:].strip()))
            continue
        if not topics:
            m = re.match(r"^(\w+):\s*(.*)$", line)
            if m:
                settings[m.group(1)] = m.group(2).strip()
            continue
        topic = topics[-1]
        m = re.match(r"^(page|topic|index):\s*(.*)$", line)
        if m and not topic.body:
            if m.group(1) == "index":
                topic.keywords = [k.strip() for k in m.group(2).split(";") if k.strip()]
            else:
                topic.kind, topic.name = m.group(1), m.group(2).strip()
            continue
        if topic.body or line.strip():
            topic.body.append(line)
    for t in topics:
        if not t.kind or not re.fullmatch(r"[a-z0-9-]+", t.name or ""):
            sys.exit(f"MakeHelp: the topic '{t.title}' of {path} lacks a 'page:' or 'topic:' line with a file name")
    if not topics:
        sys.exit(f"MakeHelp: {path} holds no topic")
    return settings, topics


def sitemap_item(name, local, indent):
    pad = "  " * indent
    return (f'{pad}<LI> <OBJECT type="text/sitemap">\n'
            f'{pad}  <param name="Name" value="{html.escape(name)}">\n'
            f'{pad}  <param name="Local" value="{local}">\n'
            f'{pad}  </OBJECT>\n')


def sitemap(body):
    return ('<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">\n<HTML>\n<HEAD>\n</HEAD>\n<BODY>\n'
            '<OBJECT type="text/site properties">\n  <param name="ImageType" value="Folder">\n'
            f'</OBJECT>\n<UL>\n{body}</UL>\n</BODY>\n</HTML>\n')


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    source, work, name, language, codepage = sys.argv[1:]
    settings, topics = parse(source)
    here = os.path.dirname(os.path.abspath(__file__))
    images = os.path.join(here, "..", "docs", "images")
    os.makedirs(work, exist_ok=True)
    shutil.copy(os.path.join(here, "style.css"), work)
    start = topics[0]
    files = []
    pictures = []
    for t in topics:
        body = markdown.markdown("\n".join(t.body), extensions=["tables"], output_format="html")

        def picture(m):
            if m.group(1) not in pictures:
                pictures.append(m.group(1))
            return f'src="{m.group(1)}"'

        body = IMAGE.sub(picture, body)
        nav = ""
        if t is not start:
            nav = f'<p class="nav"><a href="{start.name}.html">{html.escape(settings.get("contents", start.title))}</a></p>\n'
        page = ('<html>\n<head>\n<meta http-equiv="Content-Type" content="text/html; charset=utf-8">\n'
                f'<title>{html.escape(t.title)}</title>\n<link rel="stylesheet" type="text/css" href="style.css">\n'
                f'</head>\n<body>\n<h1>{html.escape(t.title)}</h1>\n{body}\n{nav}</body>\n</html>\n')
        with open(os.path.join(work, t.name + ".html"), "w", encoding="utf-8") as f:
            f.write(page)
        files.append(t.name + ".html")
    # A picture not taken yet stays out (the test PictureList names it); the topic keeps its text.
    missing = [p for p in pictures if not os.path.exists(os.path.join(images, p))]
    for p in missing:
        print(f"MakeHelp: {source} shows {p}, which is not in docs/images yet (tools/screenshots makes it)")
        pictures.remove(p)
    for p in pictures:
        shutil.copy(os.path.join(images, p), work)

    pages = "".join(sitemap_item(t.title, t.name + ".html", 2) for t in topics if t.kind == "page")
    contents = sitemap_item(start.title, start.name + ".html", 1)
    if pages:
        contents += f"  <UL>\n{pages}  </UL>\n"
    contents += "".join(sitemap_item(t.title, t.name + ".html", 1) for t in topics[1:] if t.kind == "topic")

    entries = {}
    for t in topics:
        for k in t.keywords:
            entries.setdefault(k, [])
            if t.name not in entries[k]:
                entries[k].append(t.name)
    index = ""
    for k in sorted(entries, key=str.casefold):
        index += '  <LI> <OBJECT type="text/sitemap">\n'
        index += f'    <param name="Name" value="{html.escape(k)}">\n'
        for n in entries[k]:
            index += f'    <param name="Local" value="{n}.html">\n'
        index += "    </OBJECT>\n"

    project = ("[OPTIONS]\nCompatibility=1.1 or later\n"
               f"Compiled file={name}.chm\nContents file={name}.hhc\nIndex file={name}.hhk\n"
               f"Default topic={start.name}.html\nDisplay compile progress=No\nFull-text search=Yes\n"
               f"Language={language}\nTitle={settings.get('title', name)}\n\n[FILES]\n"
               + "\n".join(files + ["style.css"] + pictures) + "\n")

    def write(file, text, encoding):
        with open(os.path.join(work, file), "w", encoding=encoding, newline="\r\n") as f:
            f.write(text)

    write(name + ".utf8.hhk", sitemap(index), "utf-8")
    write(name + ".hhk", sitemap(index), codepage)
    write(name + ".hhc", sitemap(contents), codepage)
    write(name + ".hhp", project, codepage)


if __name__ == "__main__":
    main()
