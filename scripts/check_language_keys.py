#!/usr/bin/env python3
"""Fails when a language text the program asks for is missing from a language file.

The keys are the wide string literals of the program's own sources (tests, tools
and benchmarks left out) that have the shape of a text key ("IDS_...",
"AFX_IDS_...", "string169", "TABBTN2", "SCANTAB3", "SETTINGTAB1DESC1", "var..."),
and every other literal that the English file holds as a key. Each must be in the
RESOURCESTRING section of every language file under resources/.

Usage: check_language_keys.py <source root>. Prints every missing key per file.
"""
import pathlib
import re
import sys

FOLDERS = ["foundation", "scan", "engine", "shell", "screens", "program"]
SKIPPED_PARTS = {"tests", "bench", "tools"}
LITERAL = re.compile(r'L"((?:[^"\\]|\\.)*)"')
KEY_SHAPE = re.compile(
    r"^(?:(?:AFX_)?IDS_[A-Za-z0-9_]+|[Ss]tring\d+|TABBTN\d+|[A-Z]+TAB\d+(?:DESC\d+)?|var[A-Z][A-Za-z0-9_]*)$")
# Literals of a key's shape that are no text of the language files: the page
# parameters that carry numbers, and the placeholder words replaced inside texts.
NOT_TEXTS = re.compile(r"^(?:var(?:Condition|AppDriverScanStatus|BtmErrCount)|IDS_HV_APP_NAME|IDS_HV_COMPANY_NAME)$")


def read_language_file(path):
    """The keys of the RESOURCESTRING section."""
    raw = path.read_bytes()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-16-le")
    keys, section = set(), None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].upper()
        elif section == "RESOURCESTRING" and "=" in line and not line.startswith(";"):
            keys.add(line.split("=", 1)[0].strip())
    return keys


def literals(root):
    """Every wide literal of the program's sources, with the first file naming it."""
    found = {}
    for folder in FOLDERS:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".cpp", ".h") or SKIPPED_PARTS & set(path.relative_to(root).parts):
                continue
            for literal in LITERAL.findall(path.read_text(encoding="utf-8", errors="replace")):
                found.setdefault(literal, path.relative_to(root))
    return found


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    files = sorted((root / "resources").glob("*.ini"))
    languages = {path.name: read_language_file(path) for path in files}
    english = languages.get("eng_hal.ini", set())
    asked = {key: where for key, where in literals(root).items()
             if (KEY_SHAPE.match(key) and not NOT_TEXTS.match(key)) or key in english}
    failures = 0
    for name, keys in languages.items():
        for key in sorted(set(asked) - keys):
            print(f"{name}: missing {key} (asked for in {asked[key]})")
            failures += 1
    if len(languages) != 20:
        print(f"expected twenty language files, found {len(languages)}")
        failures += 1
    print(f"{len(asked)} keys asked for, {len(languages)} language files, {failures} missing")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
