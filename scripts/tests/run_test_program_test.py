#!/usr/bin/env python3
"""The test runner's verdict: a stand-in "wine" plays a test program that writes its
results and then ends well, crashes, hangs, or fails a test."""
import os
import pathlib
import stat
import subprocess
import tempfile
import unittest

RUNNER = pathlib.Path(__file__).resolve().parent.parent / "run_test_program"

PASSED = '<?xml version="1.0"?>\n<testsuites tests="3" failures="0" disabled="0" errors="0" name="AllTests">\n</testsuites>\n'
FAILED = '<?xml version="1.0"?>\n<testsuites tests="3" failures="1" disabled="0" errors="0" name="AllTests">\n</testsuites>\n'

# The stand-in reads the result path from --gtest_output=xml:Z:\path and acts on
# RESULTS (what to write, or nothing) and THEN (exit:<status>, crash, hang).
FAKE_WINE = r'''#!/bin/bash
for argument in "$@"; do
  case "$argument" in --gtest_output=xml:Z:*) out="${argument#--gtest_output=xml:Z:}"; out="${out//\\//}" ;; esac
done
# silent-once: the first start ends at once without a word, the next one runs.
if [ "$THEN" = silent-once ] && [ ! -e "$MARK" ]; then touch "$MARK"; exit 1; fi
[ -n "$RESULTS" ] && printf '%s' "$RESULTS" > "$out"
case "$THEN" in
  exit:*) exit "${THEN#exit:}" ;;
  say-exit:*) echo "a line"; exit "${THEN#say-exit:}" ;;
  crash) kill -SEGV $$ ;;
  hang) exec sleep 600 ;;
esac
'''


class RunnerVerdict(unittest.TestCase):
    def run_case(self, results, then):
        with tempfile.TemporaryDirectory() as folder:
            fake = pathlib.Path(folder) / "wine"
            fake.write_text(FAKE_WINE)
            fake.chmod(fake.stat().st_mode | stat.S_IEXEC)
            notes = pathlib.Path(folder) / "notes.log"
            env = dict(os.environ, PATH=f"{folder}:{os.environ['PATH']}", RESULTS=results, THEN=then,
                       HALVENOR_TEST_NOTES=str(notes), HALVENOR_TEST_EXIT_GRACE="1",
                       MARK=str(pathlib.Path(folder) / "started"))
            done = subprocess.run([str(RUNNER), "some_test.exe", "--gtest_brief=1"], env=env,
                                  capture_output=True, timeout=60)
            return done.returncode, notes.read_text() if notes.exists() else ""

    def test_verdicts(self):
        cases = [
            # results, then, passes, noted
            ("", "exit:0", True, False),
            (PASSED, "exit:0", True, False),
            (PASSED, "crash", True, True),
            (PASSED, "exit:3", True, True),
            (PASSED, "hang", True, True),
            (FAILED, "exit:1", False, False),
            (FAILED, "crash", False, False),
            ("", "crash", False, True),  # silent: started again, noted, and fails again
            (PASSED[:60], "crash", False, False),  # results cut off by the crash
            (PASSED, "silent-once", True, True),  # a start that did not happen, then a run
            ("", "say-exit:1", False, False),  # said something: a verdict, not started again
        ]
        for results, then, passes, noted in cases:
            with self.subTest(results=results[:40], then=then):
                status, notes = self.run_case(results, then)
                self.assertEqual(status == 0, passes, status)
                self.assertEqual("some_test.exe" in notes, noted, notes)


if __name__ == "__main__":
    unittest.main()
