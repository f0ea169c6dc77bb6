#!/usr/bin/env python3
"""utf16le.py IN OUT: writes the UTF-8 text file IN (- for standard input) as
UTF-16LE with a byte-order mark, the form in which the language file ships.
Line ends stay as they are; a byte that is no UTF-8 stops the build."""
import sys

source = sys.stdin.buffer.read() if sys.argv[1] == "-" else open(sys.argv[1], "rb").read()
text = source.decode("utf-8")
if text.startswith("\ufeff"):
    text = text[1:]
with open(sys.argv[2], "wb") as out:
    out.write(b"\xff\xfe" + text.encode("utf-16-le"))
