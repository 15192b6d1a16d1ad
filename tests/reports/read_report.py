#!/usr/bin/python3
"""Reads an HTML report back with Python's html.parser, as a browser-independent check.

Prints one tab-separated line per finding:
  error  <text>                      the page is not well-formed (or not UTF-8)
  table  <class>                     a table starts
  head   <cell> ...                  its header row
  row    <tbody|tfoot> <cell> ...    a row; a cell with a title reads "text|title"
  svg    <class> <data-plot-height>  a chart starts
  series <class> <data-max>          a group of bars
  bar    <series class> <height> <tooltip>
  text   <text>                     a text of the chart
With --lenient, bytes that are not UTF-8 are replaced instead of reported.
"""
import sys
from html.parser import HTMLParser

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta",
        "source", "track", "wbr"}


def clean(text):
    return " ".join(text.replace("\t", " ").split())


class Reader(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.out = []
        self.section = "tbody"
        self.row = None
        self.cell = None
        self.cell_title = None
        self.series = None
        self.rect = None
        self.svg_text = None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag not in VOID:
            self.stack.append(tag)
        if tag == "table":
            self.out.append(["table", a.get("class", "")])
        elif tag in ("thead", "tbody", "tfoot"):
            self.section = tag
        elif tag == "tr":
            self.row = []
        elif tag in ("td", "th") and self.row is not None:
            self.cell = []
            self.cell_title = a.get("title")
        elif tag == "svg":
            self.out.append(["svg", a.get("class", ""), a.get("data-plot-height", "")])
        elif tag == "g" and "data-max" in a:
            self.series = a.get("class", "")
            self.out.append(["series", self.series, a["data-max"]])
        elif tag == "rect" and self.series is not None:
            self.rect = [a.get("height", ""), []]
        elif tag == "text":
            self.svg_text = []

    def handle_startendtag(self, tag, attrs):
        # <rect .../> and the like: no content, nothing to close.
        if tag == "rect" and self.series is not None:
            self.out.append(["bar", self.series, dict(attrs).get("height", ""), ""])

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack or self.stack[-1] != tag:
            self.out.append(["error", "</%s> closes <%s>" % (tag, self.stack[-1] if self.stack else "")])
            if tag in self.stack:
                while self.stack and self.stack.pop() != tag:
                    pass
            return
        self.stack.pop()
        if tag in ("td", "th") and self.cell is not None:
            text = clean("".join(self.cell))
            if self.cell_title is not None:
                text += "|" + self.cell_title
            self.row.append(text)
            self.cell = None
        elif tag == "tr" and self.row is not None:
            kind = "head" if self.section == "thead" else "row"
            line = [kind] + ([] if kind == "head" else [self.section]) + self.row
            self.out.append(line)
            self.row = None
        elif tag == "g" and self.series is not None:
            self.series = None
        elif tag == "rect" and self.rect is not None:
            self.out.append(["bar", self.series, self.rect[0], clean("".join(self.rect[1]))])
            self.rect = None
        elif tag == "text" and self.svg_text is not None:
            self.out.append(["text", clean("".join(self.svg_text))])
            self.svg_text = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell.append(data)
        if self.rect is not None:
            self.rect[1].append(data)
        if self.svg_text is not None:
            self.svg_text.append(data)


def main():
    lenient = "--lenient" in sys.argv
    path = [a for a in sys.argv[1:] if a != "--lenient"][0]
    data = open(path, "rb").read()
    reader = Reader()
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as e:
        if not lenient:
            reader.out.append(["error", "not UTF-8: %s" % e])
        text = data.decode("utf-8", errors="replace")
    reader.feed(text)
    reader.close()
    if reader.stack:
        reader.out.append(["error", "left open: " + " ".join(reader.stack)])
    sys.stdout.buffer.write(("\n".join("\t".join(line) for line in reader.out) + "\n").encode("utf-8"))


main()
