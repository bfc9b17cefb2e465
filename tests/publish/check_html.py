#!/usr/bin/env python3
"""Checks that an HTML5 page is well-formed and self-contained.

Usage: check_html.py PAGE [--allow-missing-files]

Fails (exit 1, one line per problem on stdout) when the page does not start with
<!DOCTYPE html>, when an element is closed out of order or never closed (void elements
excepted), when a block element sits inside a paragraph (the parser would close the
paragraph early), when an id repeats, when a %...% placeholder is left, when a page refers
to anything but its own files (http/https resources other than links and media), or when a
file:// reference names a file that does not exist.
"""
import html.parser
import os
import re
import sys
import urllib.parse

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta",
        "source", "track", "wbr"}
BLOCK = {"address", "article", "aside", "blockquote", "details", "div", "dl", "fieldset",
         "figure", "footer", "form", "h1", "h2", "h3", "h4", "h5", "h6", "header", "hr",
         "main", "nav", "ol", "p", "pre", "section", "table", "ul"}
PLACEHOLDER = re.compile(
    r"%(FeedTitle|iTunesSubtitle|FeedLink|FeedDescription|NumOfItems|Author|FeedPubDate|"
    r"FeedPubTime|ThemePath|ImageSrc|ItemTitle|ItemNumber|ItemDescription|ItemLink|"
    r"ItemPubDate|ItemPubTime|ItemEnclosure|BeginImageRecord|EndImageRecord|"
    r"BeginItemsRecord|EndItemsRecord|BeginEnclosure|EndEnclosure)%", re.IGNORECASE)


class Checker(html.parser.HTMLParser):
    def __init__(self, check_files):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.problems = []
        self.ids = set()
        self.check_files = check_files
        self.seen_doctype = False
        self.seen_element = False

    def where(self):
        line, col = self.getpos()
        return f"line {line}:{col + 1}"

    def handle_decl(self, decl):
        if decl.lower() == "doctype html" and not self.seen_element:
            self.seen_doctype = True

    def handle_starttag(self, tag, attrs):
        if not self.seen_doctype and not self.seen_element:
            self.problems.append(f"{self.where()}: no <!DOCTYPE html> before <{tag}>")
        self.seen_element = True
        if tag in BLOCK and "p" in self.stack:
            self.problems.append(f"{self.where()}: <{tag}> inside <p>")
        for name, value in attrs:
            if name == "id":
                if value in self.ids:
                    self.problems.append(f"{self.where()}: id \"{value}\" used twice")
                self.ids.add(value)
            if name in ("href", "src") and value:
                self.check_reference(tag, name, value)
        if tag not in VOID:
            self.stack.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VOID and self.stack and self.stack[-1] == tag:
            self.stack.pop()

    def handle_endtag(self, tag):
        if tag in VOID:
            self.problems.append(f"{self.where()}: end tag of void element </{tag}>")
            return
        if not self.stack or self.stack[-1] != tag:
            expected = self.stack[-1] if self.stack else "nothing"
            self.problems.append(f"{self.where()}: </{tag}> closes <{expected}>")
            if tag in self.stack:
                while self.stack and self.stack.pop() != tag:
                    pass
            return
        self.stack.pop()

    def check_reference(self, tag, attribute, value):
        url = urllib.parse.urlsplit(value)
        # Style sheets, pictures and icons must come with the theme; links and media
        # (the episodes' audio) point where the feed says.
        loads = tag in ("link", "img", "script") and attribute in ("href", "src")
        if url.scheme in ("http", "https") and loads:
            self.problems.append(f"{self.where()}: external resource {value}")
        if url.scheme == "file" and self.check_files:
            path = urllib.parse.unquote(url.path)
            if not os.path.exists(path):
                self.problems.append(f"{self.where()}: missing file {path}")


def main():
    args = sys.argv[1:]
    check_files = "--allow-missing-files" not in args
    paths = [a for a in args if not a.startswith("--")]
    if len(paths) != 1:
        print("usage: check_html.py PAGE [--allow-missing-files]")
        return 2
    with open(paths[0], encoding="utf-8") as f:
        text = f.read()
    checker = Checker(check_files)
    checker.feed(text)
    checker.close()
    problems = checker.problems
    if checker.stack:
        problems.append("unclosed elements at the end: " + " ".join(checker.stack))
    for m in PLACEHOLDER.finditer(text):
        problems.append(f"placeholder left in the page: {m.group(0)}")
    if not re.search(r"<html[^>]*\blang=", text):
        problems.append("no lang attribute on <html>")
    if "<script" in text.lower():
        problems.append("the page uses a script")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
