#!/usr/bin/env python3
"""Turns a readable UTF-8 source file into the same source with every
non-ASCII character inside string literals written as Shift-JIS (code page
932) octal escapes, so the compiled strings are the console's bytes whatever
the compiler's execution character set."""
import sys


def escape(text: str) -> str:
    out = []
    for ch in text:
        if ord(ch) < 0x80:
            out.append(ch)
        else:
            out.extend("\\%03o" % b for b in ch.encode("cp932"))
    return "".join(out)


def main() -> int:
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    with open(target, "w", encoding="ascii", newline="\n") as f:
        f.write("// Generated from %s: Shift-JIS bytes as escapes.\n" % source.split("/")[-1])
        f.write(escape(text))
    return 0


if __name__ == "__main__":
    sys.exit(main())
