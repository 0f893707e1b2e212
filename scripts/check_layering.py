#!/usr/bin/env python3
"""Fails when a folder includes or links a folder it may not use.

A folder here is one that builds with its own CMakeLists.txt (`shell/app`,
`screens/manage/settings`); a file belongs to the deepest such folder above it.
The program's folders stand in ranks, each using only the ranks before it:

    platform < foundation < scan < engine < shell/toolkit < shell < shell/app
             < screens < program

A folder takes the rank of the longest entry that starts its path, so
`shell/exclusions` ranks as `shell`. Folders of one rank (the screens, the
parts of shell, the parts of platform) use one another only where their
CMakeLists.txt lists the other's library, and those lists may not run in a
circle. Beside the ranks stand folders that are no part of them: the 64-bit
helper and the stand-in services use only platform; what tests share uses
platform, its window layer, foundation, scan and the stand-in services; the tests of a folder may also use the stand-in
services, what tests share and the test helpers of the folders above them;
benchmarks may use anything. The resources hold no code and anyone may use them.

The libraries and the folder each is built in are read from the CMake files.

Usage: check_layering.py <source root>. Prints every offending include and link.
"""
import os
import pathlib
import re
import sys

RANKS = ["platform", "foundation", "scan", "engine", "shell/toolkit", "shell", "shell/app", "screens", "program"]

# What each folder that is not in the ranks may use.
BESIDE = {
    "installhelper64": {"platform"},
    # The stand-ins run inside tests; the run command's demonstration tool makes its
    # devices the way the tests do.
    "tools": {"platform", "tests/support"},
    "tests/support": {"platform", "platform/ui", "foundation", "scan", "tools"},
    "tests/fake_dlls": {"platform"},
}
TEST_HELPERS = ("tools", "tests/support")
FREE = ("bench", "resources")

SOURCE_SUFFIXES = {".h", ".hpp", ".c", ".cpp", ".rc"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
CALL = re.compile(r"\b(halvenor_library|halvenor_tests|add_library|add_executable|target_link_libraries)\s*\(([^)]*)\)",
                  re.DOTALL)
GENERATOR = re.compile(r"^\$<TARGET_NAME_IF_EXISTS:(\w+)>$")
CMAKE_WORDS = {"PUBLIC", "PRIVATE", "INTERFACE", "LIBS", "TIMEOUT", "STATIC", "SHARED", "OBJECT", "WIN32"}


def walk_files(root: pathlib.Path, wanted) -> list[pathlib.Path]:
    """The project's files that `wanted` picks by name, in a stable order. The build
    tree is never entered: a test run changes its Wine prefix while this reads."""
    found = []
    for folder, subfolders, files in os.walk(root):
        at_top = pathlib.Path(folder) == root
        subfolders[:] = [d for d in subfolders
                         if not d.startswith(".") and d != "node_modules" and not (at_top and d == "build")]
        found.extend(pathlib.Path(folder) / name for name in files if wanted(name))
    return sorted(found)


class Tree:
    """The folders of a source tree, their libraries and what each lists."""

    def __init__(self, root: pathlib.Path):
        self.root = root
        self.folders: list[str] = []     # deepest first, so the first prefix match is the owner
        self.library_folder: dict[str, str] = {}
        self.lists: dict[str, set[str]] = {}       # folder -> libraries its code links
        self.test_lists: dict[str, set[str]] = {}  # folder -> libraries its tests link
        self.calls: list[tuple[str, str, bool, list[str]]] = []  # (CMake file, folder, in tests, libraries)
        self._read_cmake()

    def _cmake_files(self):
        for path in walk_files(self.root, lambda name: name == "CMakeLists.txt"):
            relative = pathlib.PurePosixPath(path.relative_to(self.root).as_posix())
            if relative.parts[0] != "build" and len(relative.parts) > 1:
                yield relative, path

    def _read_cmake(self):
        texts = {}
        for relative, path in self._cmake_files():
            folder = str(relative.parent)
            self.folders.append(folder)
            texts[folder] = (relative, re.sub(r"#[^\n]*", "", path.read_text(encoding="utf-8")))
        self.folders.sort(key=len, reverse=True)
        # Named first, so a library linked before the file that builds it is read is known.
        test_programs = set()
        for folder, (_, text) in texts.items():
            for kind, arguments in CALL.findall(text):
                words = arguments.split()
                if not words:
                    continue
                if kind in ("halvenor_library", "add_library"):
                    self.library_folder[words[0]] = folder
                elif kind == "add_executable" and len(words) > 1 and "tests/" in " ".join(words[1:]):
                    test_programs.add(words[0])
        defined = set(self.library_folder)
        for folder, (_, text) in texts.items():
            defined.update(w.split()[0] for k, w in CALL.findall(text) if k == "add_executable" and w.split())
        for folder, (relative, text) in texts.items():
            for kind, arguments in CALL.findall(text):
                words = arguments.split()
                if not words or kind in ("add_library", "add_executable"):
                    continue
                # A program the CMake files do not name is one halvenor_tests makes.
                in_tests = kind == "halvenor_tests" or words[0] in test_programs or words[0] not in defined
                libraries = [self.library_of(word) for word in words[1:]]
                libraries = [name for name in libraries if name is not None]
                (self.test_lists if in_tests else self.lists).setdefault(folder, set()).update(libraries)
                self.calls.append((str(relative), folder, in_tests, libraries))

    def library_of(self, word: str) -> str | None:
        word = GENERATOR.sub(r"\1", word)
        if word in CMAKE_WORDS or word not in self.library_folder:
            return None
        return word

    def folder_of(self, path: str) -> str | None:
        for folder in self.folders:
            if path == folder or path.startswith(folder + "/"):
                return folder
        return None

    def listed(self, user: str, used: str, in_tests: bool) -> bool:
        names = set(self.lists.get(user, set()))
        if in_tests:
            names |= self.test_lists.get(user, set())
        return any(self.library_folder[name] == used for name in names)


def rank_of(folder: str) -> int | None:
    best = None
    for index, entry in enumerate(RANKS):
        if (folder == entry or folder.startswith(entry + "/")) and (best is None or len(entry) > len(RANKS[best])):
            best = index
    return best


def allowed(tree: Tree, user: str, used: str, in_tests: bool, by_link: bool) -> bool:
    if used == user or user.startswith(FREE) or used.startswith(FREE):
        return True
    if in_tests and used in TEST_HELPERS:
        return True
    if user in BESIDE:
        return used in BESIDE[user]
    user_rank, used_rank = rank_of(user), rank_of(used)
    if user_rank is None or used_rank is None:
        return False
    if used_rank != user_rank:
        return used_rank < user_rank
    # A link is itself the listing; circles among those are caught apart.
    return by_link or tree.listed(user, used, in_tests)


def check_includes(tree: Tree) -> list[str]:
    faults = []
    for path in walk_files(tree.root, lambda name: pathlib.PurePosixPath(name).suffix in SOURCE_SUFFIXES):
        relative = pathlib.PurePosixPath(path.relative_to(tree.root).as_posix())
        if path.suffix not in SOURCE_SUFFIXES or relative.parts[0] == "build":
            continue
        user = tree.folder_of(str(relative))
        if user is None:
            continue
        in_tests = "tests" in relative.parts[len(pathlib.PurePosixPath(user).parts):] or user.startswith("tests/")
        text = path.read_text(encoding="utf-8", errors="replace")
        for match in INCLUDE.finditer(text):
            include = match.group(1)
            used = tree.folder_of(include)
            if used is None:
                continue
            helper = include[len(used):].lstrip("/").split("/")[0] == "tests"
            if helper and in_tests and (user == used or user.startswith(used + "/")):
                continue  # a test helper of a folder above, shared by its tests
            if (helper and not in_tests) or not allowed(tree, user, used, in_tests, by_link=False):
                line = text.count("\n", 0, match.start()) + 1
                faults.append(f"{relative}:{line}: {user} includes {include} ({used})")
    return faults


def check_links(tree: Tree) -> list[str]:
    faults = []
    for cmake_file, user, in_tests, libraries in tree.calls:
        for name in libraries:
            used = tree.library_folder[name]
            if not allowed(tree, user, used, in_tests, by_link=True):
                faults.append(f"{cmake_file}: {user} links {name} ({used})")
    return faults


def check_circles(tree: Tree) -> list[str]:
    """Folders of one rank that list one another, directly or through others."""
    edges = {folder: {tree.library_folder[name] for name in names} - {folder}
             for folder, names in tree.lists.items()}
    circles = {}

    def walk(path):
        for following in sorted(edges.get(path[-1], ())):
            if following == path[0]:
                circles.setdefault(frozenset(path), " -> ".join(path + [following]))
            elif following not in path and rank_of(path[0]) is not None and rank_of(following) == rank_of(path[0]):
                walk(path + [following])

    for start in sorted(edges):
        walk([start])
    return [f"circle of listed libraries: {circle}" for circle in sorted(circles.values())]


def check(root: pathlib.Path) -> list[str]:
    tree = Tree(root)
    return check_includes(tree) + check_links(tree) + check_circles(tree)


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    faults = check(root)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} uses against the layering " + " < ".join(RANKS))
        return 1
    print("layering holds")
    return 0


if __name__ == "__main__":
    sys.exit(main())
