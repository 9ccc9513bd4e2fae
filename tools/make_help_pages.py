#!/usr/bin/env python3
"""Produces the help pages compiled into the program: help/content/pageN.htm
in Windows-1251 with CR LF line ends, from the UTF-8 sources in
help/content/src/. Characters outside the code page (Greek letters, the minus
sign) become numeric character references. Refuses a source that is not one
complete html document or that carries a character-set declaration.

usage: tools/make_help_pages.py
"""
import pathlib
import sys

CONTENT = pathlib.Path(__file__).resolve().parent.parent / "help" / "content"


def convert(text):
    lines = text.replace("\r\n", "\n").strip("\n").split("\n")
    body = "\r\n".join(line.rstrip() for line in lines) + "\r\n"
    if not body.startswith("<html>") or not body.endswith("</html>\r\n"):
        raise ValueError("not one complete html document")
    if "charset" in body.lower():
        raise ValueError("character-set declaration")
    return body.encode("cp1251", errors="xmlcharrefreplace")


def main():
    for k in range(1, 6):
        source = CONTENT / "src" / ("page%d.htm" % k)
        try:
            data = convert(source.read_text(encoding="utf-8"))
        except (ValueError, UnicodeError) as error:
            sys.exit("%s: %s" % (source, error))
        (CONTENT / ("page%d.htm" % k)).write_bytes(data)
        print("page%d.htm: %d bytes" % (k, len(data)))


if __name__ == "__main__":
    main()
