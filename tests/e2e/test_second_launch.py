"""A second launch hands its request to the running Quillo and exits."""

import os
import re
import subprocess
import time
import unittest

import context
import library
from backups import make_backup, make_generated_backup
from waiting import holds_for, wait_until

# What groups-and-nesting.atext holds.
IMPORTED = {"Address": "1 Main Street\nSpringfield", "Thanks": "Thank you for your message.",
            "Goodbye": "Kind regards"}
EXISTING = [library.snippet("Existing", "Already here")]


def names(document):
    return sorted(snippet["name"] for snippet in document["snippets"])


class SecondLaunch(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home(EXISTING)
        cls.quillo = cls.start_quillo(cls.home)

    def test_plain_launch_exits_at_once_and_the_first_keeps_running(self):
        started = time.monotonic()
        result = self.home.run(timeout=30)
        context.figure("a second plain launch, start to exit", time.monotonic() - started)
        self.assertSucceeded(result)
        self.assertTrue(self.quillo.running())

    def test_bad_backup_is_refused_and_changes_nothing(self):
        before = self.home.library_path.read_bytes()
        backup = make_backup(self.home.folder, "hostile-truncated-half.atext")
        result = self.home.run("--import-atext", str(backup))
        self.assertEqual(result.returncode, 1, result)
        self.assertIn("Import failed: ", result.stdout + result.stderr)
        self.assertTrue(self.quillo.running())
        self.assertEqual(self.home.library_path.read_bytes(), before)


class ImportThroughRunningQuillo(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home(EXISTING)
        cls.quillo = cls.start_quillo(cls.home)

    def test_running_quillo_imports_saves_and_pastes_the_new_snippets(self):
        backup = make_backup(self.home.folder, "groups-and-nesting.atext")
        result = self.home.run("--import-atext", str(backup))
        self.assertSucceeded(result)
        self.assertEqual(result.stdout.strip(),
                         f"Imported 3 snippets into {self.home.library_path}")
        expected = sorted([*IMPORTED, "Existing"])
        wait_until(lambda: names(self.home.read_library()) == expected, 15,
                   "the library file to hold the imported snippets",
                   lambda: names(self.home.read_library()))

        # The running program has them too: it pastes one, and quitting keeps them all.
        target = self.start_target().activate()
        self.assertSucceeded(self.quillo.paste("Goodbye"))
        target.wait_for_text(IMPORTED["Goodbye"])
        self.assertEqual(self.quillo.terminate(), 0, self.quillo.stderr())
        saved = self.home.read_library()
        self.assertEqual(names(saved), expected)
        texts = {snippet["name"]: snippet["text"] for snippet in saved["snippets"]}
        self.assertEqual(texts["Thanks"], IMPORTED["Thanks"])


@unittest.skipIf(os.environ.get("QUILLO_E2E_SANITIZED"),
                 "under the sanitizers the program that stays running reports libdbus's "
                 "connection data as leaked at exit, which the leak suppressions don't catch")
class LaunchesAtOnce(context.QuilloCase):
    """Launches with the same home started together, with no Quillo running yet: whatever
    the order they reach the library in, only one process writes it at a time."""

    ROUNDS = 2

    @classmethod
    def setUpClass(cls):
        # Importing it takes long enough for a desktop program to start meanwhile.
        cls.large_backup = make_generated_backup(context.new_home().folder, 10000)

    def test_two_desktop_programs_started_together_leave_one_running(self):
        for round_number in range(self.ROUNDS):
            with self.subTest(round=round_number):
                home = context.new_home(EXISTING)
                pair = [self.start_test_quillo(home, f"quillo-{round_number}-{n}") for n in (1, 2)]
                wait_until(lambda: not all(quillo.running() for quillo in pair), 60,
                           "one of the two Quillos to leave the other to it",
                           lambda: [quillo.stderr() for quillo in pair])
                ended = next(quillo for quillo in pair if not quillo.running())
                kept = next(quillo for quillo in pair if quillo is not ended)
                # The later one handed its request to the first, as a second launch does.
                self.assertEqual(ended.process.returncode, 0, ended.stderr())
                holds_for(kept.running, 2, "the other Quillo running", kept.stderr)
                kept.wait_ready()
                self.assertEqual(names(home.read_library()), ["Existing"])

                # The one left running is the one that takes requests, and writes.
                backup = make_backup(home.folder, "groups-and-nesting.atext")
                result = home.run("--import-atext", str(backup))
                self.assertSucceeded(result)
                self.assertEqual(result.stdout.strip(),
                                 f"Imported 3 snippets into {home.library_path}")
                self.assertEqual(kept.terminate(), 0, kept.stderr())
                self.assertEqual(names(home.read_library()), sorted([*IMPORTED, "Existing"]))

    def test_a_desktop_start_racing_an_import_keeps_every_imported_snippet(self):
        # Which starts first, and how much later the other: a later import finds the library
        # taken by the desktop program before that takes requests.
        for import_first, delay in ((True, 0), (False, 0), (False, 0.05)):
            with self.subTest(import_first=import_first, delay=delay):
                home = context.new_home(EXISTING)

                def start_import():
                    return context.run.processes.start(
                        [home.program, "--import-atext", str(self.large_backup)],
                        env=home.env(), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                        text=True)

                if import_first:
                    importing = start_import()
                    time.sleep(delay)
                    quillo = self.start_test_quillo(home, "quillo-after-import")
                else:
                    quillo = self.start_test_quillo(home, f"quillo-before-import-{delay}")
                    time.sleep(delay)
                    importing = start_import()
                self.addCleanup(context.run.processes.stop, importing)
                out, err = importing.communicate(timeout=300)
                self.assertEqual(importing.returncode, 0, err)
                imported = re.fullmatch(
                    rf"Imported (\d+) snippets into {re.escape(str(home.library_path))}\n", out)
                self.assertTrue(imported, out)
                expected = 1 + int(imported.group(1))
                self.assertGreater(expected, 1000)
                if "waits for it to finish" in err:
                    order = "before" if import_first else f"{delay} s after"
                    context.note(f"an import started {order} a desktop program found the library "
                                 "taken and waited for the program to take requests")

                quillo.wait_ready()
                wait_until(lambda: len(home.read_library()["snippets"]) == expected, 60,
                           "the library file to hold the imported snippets",
                           lambda: len(home.read_library()["snippets"]))
                # A desktop program that had read the library before the import wrote it
                # would save its older copy when it quits.
                self.assertEqual(quillo.terminate(), 0, quillo.stderr())
                saved = home.read_library()
                self.assertEqual(len(saved["snippets"]), expected)
                self.assertIn("Existing", names(saved))
