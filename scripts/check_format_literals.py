#!/usr/bin/env python3
"""Fails on a printf-family call whose format is not a string literal.

A format that comes from anywhere else (a language file, a registry value, a
parameter) lets whoever wrote that text choose what the call reads from the
stack: a "%s" too many or a "%n" ends the program. Texts that are not our own go
through the checked formatter (platform/checked_format.h) instead.

The only calls allowed a format that is not a literal are the va_list forms
inside the program's own printf-like functions, listed in WRAPPERS; those
functions are checked at every call like the C library's.

Usage: check_format_literals.py <source root>. Prints every offending call.
"""
import pathlib
import re
import sys

# The printf-family functions and the position of their format argument.
FORMAT_POSITION = {
    "printf": 0, "wprintf": 0, "vprintf": 0, "vwprintf": 0,
    "fprintf": 1, "fwprintf": 1, "vfprintf": 1, "vfwprintf": 1,
    "sprintf": 1, "wsprintfA": 1, "wsprintfW": 1, "wsprintf": 1,
    "vsprintf": 1, "wvsprintfA": 1, "wvsprintfW": 1, "wvsprintf": 1,
    "_swprintf": 1, "_scprintf": 0, "_scwprintf": 0, "_vscprintf": 0, "_vscwprintf": 0,
    "snprintf": 2, "_snprintf": 2, "_snwprintf": 2, "swprintf": 2,
    "vsnprintf": 2, "_vsnprintf": 2, "_vsnwprintf": 2, "vswprintf": 2,
    "sprintf_s": 2, "swprintf_s": 2, "vsprintf_s": 2, "vswprintf_s": 2,
    "_snprintf_s": 3, "_snwprintf_s": 3, "_vsnprintf_s": 3, "_vsnwprintf_s": 3,
    "StringCchPrintfA": 2, "StringCchPrintfW": 2, "StringCbPrintfA": 2, "StringCbPrintfW": 2,
    "StringCchVPrintfA": 2, "StringCchVPrintfW": 2, "StringCbVPrintfA": 2, "StringCbVPrintfW": 2,
    # The program's own.
    "WriteLogLine": 0,
}

# file -> the function in it that passes its own format on to a va_list form.
WRAPPERS = {
    "foundation/daily_log.cpp": "WriteLogLine",
}

SKIPPED_FOLDERS = {"build", "node_modules", ".git"}
CALL = re.compile(r"(?<![\w.>:])(?:std::)?(" + "|".join(sorted(FORMAT_POSITION, key=len, reverse=True)) + r")\s*\(")
LITERAL = re.compile(r'^(?:(?:L|u8|u|U)?"(?:[^"\\]|\\.)*"\s*)+$', re.S)


def strip_comments(text):
    """Blanks out comments (keeping line breaks) so that calls in them are not read."""
    out = []
    i = 0
    n = len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append("\n" * text.count("\n", i, end))
            i = end
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def arguments(text, start):
    """The top-level arguments of the call whose "(" is at `start`, or None."""
    depth = 0
    args = []
    current = []
    i = start
    while i < len(text):
        c = text[i]
        if c in "\"'":
            j = i + 1
            while j < len(text) and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            current.append(text[i:j + 1])
            i = j + 1
            continue
        if c in "([{":
            depth += 1
            if depth > 1:
                current.append(c)
        elif c in ")]}":
            depth -= 1
            if depth == 0:
                args.append("".join(current).strip())
                return args
            current.append(c)
        elif c == "," and depth == 1:
            args.append("".join(current).strip())
            current = []
        else:
            current.append(c)
        i += 1
    return None


def enclosing_function(text, position):
    """The name of the function whose body holds `position` (a rough reading)."""
    head = text[:position]
    found = None
    for match in re.finditer(r"(\w+)\s*\([^;{}]*\)\s*(?:const\s*)?\{", head):
        if match.group(1) not in {"if", "for", "while", "switch", "catch"}:
            found = match.group(1)
    return found


def offences(root):
    for path in sorted(root.rglob("*")):
        if path.suffix not in {".cpp", ".h", ".c"} or not path.is_file():
            continue
        relative = path.relative_to(root)
        if relative.parts[0] in SKIPPED_FOLDERS or "third_party" in relative.parts:
            continue
        text = strip_comments(path.read_text(encoding="utf-8", errors="replace"))
        for match in CALL.finditer(text):
            name = match.group(1)
            # A declaration or definition of the function itself is no call.
            before = text[max(0, match.start() - 40):match.start()]
            if re.search(r"(?:\bvoid|\bint|\bbool|\bauto)\s*$", before):
                continue
            args = arguments(text, match.end() - 1)
            position = FORMAT_POSITION[name]
            if args is None or len(args) <= position:
                continue
            if LITERAL.match(args[position]):
                continue
            wrapper = WRAPPERS.get(relative.as_posix())
            if wrapper and enclosing_function(text, match.start()) == wrapper:
                continue
            line = text.count("\n", 0, match.start()) + 1
            yield f"{relative.as_posix()}:{line}: {name} with the format {args[position]!r}"


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    found = list(offences(pathlib.Path(sys.argv[1])))
    for offence in found:
        print(offence)
    if found:
        print("A format that is not a literal goes through FormatChecked.")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
