"""A second launch hands its request to the running Quillo and exits."""

import time

import context
import library
from backups import make_backup
from waiting import wait_until

# What groups-and-nesting.atext holds.
IMPORTED = {"Address": "1 Main Street\nSpringfield", "Thanks": "Thank you for your message.",
            "Goodbye": "Kind regards"}


def names(document):
    return sorted(snippet["name"] for snippet in document["snippets"])


class SecondLaunch(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home()
        cls.home.write_library([library.snippet("Existing", "Already here")])
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
        cls.home = context.new_home()
        cls.home.write_library([library.snippet("Existing", "Already here")])
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
