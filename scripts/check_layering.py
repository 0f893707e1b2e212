#!/usr/bin/env python3
"""Fails when a folder includes or links a folder above it.

The program's folders stand in one line, each using only the ones before it:
platform < foundation < scan < engine < shell < screens. Beside them stand
folders that are no part of that line: the 64-bit helper and the stand-in
services use only platform; what tests share uses platform and foundation; the
tests of a folder may also use the stand-in services and what tests share;
benchmarks may use anything.

Usage: check_layering.py <source root>. Prints every offending include and link.
"""
import pathlib
import re
import sys

LINE = ["platform", "foundation", "scan", "engine", "shell", "screens"]

# What each folder that is not in the line may use.
BESIDE = {
    "installhelper64": {"platform", "installhelper64"},
    # The stand-ins run inside tests; the run command's demonstration tool makes its
    # devices the way the tests do.
    "tools": {"platform", "tools", "tests/support"},
    "tests/support": {"platform", "foundation", "tests/support"},
    "tests/fake_dlls": {"platform", "tests/fake_dlls"},
}

# Libraries named in CMake and the folder each one is built from.
LIBRARY_FOLDER = {
    "platform": "platform",
    "platform_html": "platform",
    "platform_ui": "platform",
    "foundation": "foundation",
    "scan": "scan",
    "engine": "engine",
    "shell": "shell",
    "scheduled_tasks": "shell",
    "shell_html_dialog": "shell",
    "shell_splash_about": "shell",
    "tools": "tools",
    "installhelper64": "installhelper64",
    "test_support": "tests/support",
    "manage_settings": "screens",
    "manage_exclusions": "screens",
    "backup_restore_screens": "screens",
    "results_rows": "screens",
    "scan_worker": "screens",
    "nag_popups": "screens",
    "shell_web_requests": "shell",
    "shell_toolkit": "shell",
}

SOURCE_SUFFIXES = {".h", ".hpp", ".c", ".cpp", ".rc"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
LINK_CALL = re.compile(r"\b(halvenor_library|halvenor_tests|target_link_libraries)\s*\(([^)]*)\)", re.DOTALL)


def folder_of(relative: pathlib.PurePosixPath) -> str | None:
    parts = relative.parts
    if not parts:
        return None
    if parts[0] == "tests" and len(parts) > 1:
        return "tests/" + parts[1]
    if parts[0] in LINE or parts[0] in BESIDE or parts[0] == "bench":
        return parts[0]
    return None


def allowed(user: str, used: str, in_tests: bool) -> bool:
    if user == "bench" or used == user:
        return True
    if in_tests and used in ("tests/support", "tools"):
        return True
    if user in BESIDE:
        return used in BESIDE[user]
    if used not in LINE:
        return False
    return LINE.index(used) <= LINE.index(user)


def included_folder(include: str) -> str | None:
    return folder_of(pathlib.PurePosixPath(include))


def check_includes(root: pathlib.Path) -> list[str]:
    faults = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or "build" in path.relative_to(root).parts[:1]:
            continue
        relative = pathlib.PurePosixPath(path.relative_to(root).as_posix())
        user = folder_of(relative)
        if user is None:
            continue
        in_tests = "tests" in relative.parts[1:] or user.startswith("tests/")
        text = path.read_text(encoding="utf-8", errors="replace")
        for match in INCLUDE.finditer(text):
            used = included_folder(match.group(1))
            if used is not None and not allowed(user, used, in_tests):
                line = text.count("\n", 0, match.start()) + 1
                faults.append(f"{relative}:{line}: {user} includes {match.group(1)} ({used})")
    return faults


def check_links(root: pathlib.Path) -> list[str]:
    faults = []
    for path in sorted(root.rglob("CMakeLists.txt")):
        relative = pathlib.PurePosixPath(path.relative_to(root).as_posix())
        if relative.parts[0] == "build":
            continue
        user = folder_of(relative)
        if user is None:
            continue
        text = re.sub(r"#[^\n]*", "", path.read_text(encoding="utf-8"))
        for match in LINK_CALL.finditer(text):
            in_tests = match.group(1) == "halvenor_tests" or "_test" in match.group(2).split()[0]
            for word in match.group(2).split():
                used = LIBRARY_FOLDER.get(re.sub(r"^\$<TARGET_NAME_IF_EXISTS:(\w+)>$", r"\1", word))
                if used is not None and not allowed(user, used, in_tests):
                    faults.append(f"{relative}: {user} links {word} ({used})")
    return faults


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    faults = check_includes(root) + check_links(root)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} uses against the layering platform < foundation < scan < engine < shell < screens")
        return 1
    print("layering holds")
    return 0


if __name__ == "__main__":
    sys.exit(main())
