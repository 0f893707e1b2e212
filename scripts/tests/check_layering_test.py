#!/usr/bin/env python3
"""The layering check against small trees: a sound one passes, each planted use fails."""
import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))
import check_layering  # noqa: E402

# A tree shaped like ours: sub-folders of shell and screens, siblings that list one
# another, a program on top, tests beside their code.
SOUND = {
    "platform/CMakeLists.txt": "halvenor_library(platform LIBS ws2_32)\nadd_subdirectory(ui)\n",
    "platform/handle.h": "",
    "platform/ui/CMakeLists.txt": "halvenor_library(platform_ui LIBS platform user32)\n",
    "platform/ui/window.h": '#include "platform/handle.h"\n',
    "foundation/CMakeLists.txt": "halvenor_library(foundation LIBS platform)\nhalvenor_tests(foundation LIBS foundation)\n",
    "foundation/log.h": '#include "platform/handle.h"\n',
    "foundation/tests/log_test.cpp": '#include "foundation/log.h"\n#include "tests/support/temp.h"\n',
    "engine/CMakeLists.txt": "halvenor_library(engine LIBS foundation)\n",
    "engine/run.h": '#include "foundation/log.h"\n',
    "shell/CMakeLists.txt": "add_subdirectory(toolkit)\nhalvenor_library(shell LIBS engine)\nadd_subdirectory(app)\n",
    "shell/tray.h": '#include "shell/toolkit/button.h"\n',
    "shell/toolkit/CMakeLists.txt": "halvenor_library(shell_toolkit LIBS platform_ui foundation)\n",
    "shell/toolkit/button.h": '#include "platform/ui/window.h"\n',
    "shell/app/CMakeLists.txt": "halvenor_library(shell_app LIBS shell shell_toolkit)\n",
    "shell/app/main_window.h": '#include "shell/tray.h"\n#include "shell/toolkit/button.h"\n',
    "screens/manage/CMakeLists.txt": "add_subdirectory(settings)\nhalvenor_library(manage_screens LIBS shell_app)\n",
    "screens/manage/folder_page.h": '#include "shell/app/main_window.h"\n',
    "screens/manage/tests/answering_system.h": '#include "shell/app/main_window.h"\n',
    "screens/manage/settings/CMakeLists.txt":
        "halvenor_library(manage_settings LIBS manage_screens)\nhalvenor_tests(manage_settings LIBS manage_settings)\n",
    "screens/manage/settings/settings_page.h": '#include "screens/manage/folder_page.h"\n',
    "screens/manage/settings/tests/settings_test.cpp": '#include "screens/manage/tests/answering_system.h"\n',
    "screens/scan/CMakeLists.txt": "add_subdirectory(home)\n",
    "screens/scan/home_screen/CMakeLists.txt": "halvenor_library(home_screen LIBS shell_app)\n",
    "screens/scan/home_screen/home_page.h": '#include "shell/app/main_window.h"\n',
    "program/CMakeLists.txt":
        "add_library(program_pages STATIC pages.cpp)\n"
        "target_link_libraries(program_pages PUBLIC home_screen manage_settings)\n",
    "program/pages.cpp": '#include "screens/scan/home_screen/home_page.h"\n#include "screens/manage/settings/settings_page.h"\n',
    "tests/support/CMakeLists.txt": "add_library(test_support STATIC temp.cpp)\ntarget_link_libraries(test_support PUBLIC foundation)\n",
    "tests/support/temp.h": '#include "foundation/log.h"\n',
}

# Each planted use: the files it changes or adds, and what the report must name.
PLANTED = [
    ("a screen includes a sibling screen it does not list",
     {"screens/manage/settings/settings_page.h": '#include "screens/scan/home_screen/home_page.h"\n'},
     "screens/manage/settings/settings_page.h:1"),
    ("the toolkit includes the application folder of shell",
     {"shell/toolkit/button.h": '#include "shell/app/main_window.h"\n'},
     "shell/toolkit/button.h:1"),
    ("a lower folder includes the program",
     {"engine/run.h": '#include "program/pages.h"\n', "program/pages.h": ""},
     "engine/run.h:1"),
    ("a lower folder links a library the CMake files name only once",
     {"engine/CMakeLists.txt": "halvenor_library(engine LIBS foundation program_pages)\n"},
     "engine links program_pages"),
    ("the program's own code uses what only tests may use",
     {"program/pages.cpp": '#include "tests/support/temp.h"\n'},
     "program/pages.cpp:1"),
    ("a sibling of shell links the application folder",
     {"shell/toolkit/CMakeLists.txt": "halvenor_library(shell_toolkit LIBS platform_ui shell_app)\n"},
     "shell/toolkit links shell_app"),
    ("two screens that list each other",
     {"screens/scan/home_screen/CMakeLists.txt": "halvenor_library(home_screen LIBS shell_app manage_settings)\n",
      "screens/manage/settings/CMakeLists.txt": "halvenor_library(manage_settings LIBS manage_screens home_screen)\n"},
     "circle of listed libraries"),
    ("code outside tests includes a test helper",
     {"screens/manage/settings/settings_page.h": '#include "screens/manage/tests/answering_system.h"\n'},
     "screens/manage/settings/settings_page.h:1"),
]


def make_tree(root: pathlib.Path, changes: dict[str, str]) -> None:
    for name, text in {**SOUND, **changes}.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text, encoding="utf-8")


class LayeringCheckTest(unittest.TestCase):
    def faults(self, changes):
        with tempfile.TemporaryDirectory() as folder:
            make_tree(pathlib.Path(folder), changes)
            return check_layering.check(pathlib.Path(folder))

    def test_sound_tree_passes(self):
        self.assertEqual(self.faults({}), [])

    def test_each_planted_use_fails_and_is_named(self):
        for what, changes, named in PLANTED:
            with self.subTest(what):
                faults = self.faults(changes)
                self.assertTrue(any(named in fault for fault in faults), faults)


if __name__ == "__main__":
    unittest.main()
