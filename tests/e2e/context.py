"""What every end-to-end test shares: the program, the target window, the X session."""

import itertools
import sys
import tempfile
import unittest
from dataclasses import dataclass, field
from pathlib import Path

from quillo_process import QuilloHome
from windows import TargetWindow


@dataclass
class Run:
    program: Path
    target: Path
    session: object
    processes: object
    folder: Path  # removed at the end
    artifacts: Path  # kept: screenshots
    figures: list = field(default_factory=list)
    notes: list = field(default_factory=list)
    programs: list = field(default_factory=list)  # every Quillo started, for its log


run: Run = None
_homes = itertools.count(1)


def new_home(snippets=()):
    """A new user's folders, with these snippets in the library."""
    folder = Path(tempfile.mkdtemp(prefix=f"home-{next(_homes)}-", dir=run.folder))
    home = QuilloHome(str(run.program), run.session, folder)
    if snippets:
        home.write_library(snippets)
    return home


def new_target(**options):
    return TargetWindow(run.target, run.session, run.processes, run.folder, **options)


def figure(label, seconds):
    run.figures.append((label, seconds))


def note(text):
    run.notes.append(text)


def interrupted(signum, _frame):
    """A signal handler that unwinds the run, so that everything started is ended."""
    raise KeyboardInterrupt(f"signal {signum}")


def run_tests(modules, patterns, session_log=None):
    """Runs the test modules (only the tests whose names hold one of `patterns`, if any),
    then prints the figures and notes, and on failure every Quillo's log; returns the exit
    status."""
    loader = unittest.TestLoader()
    if patterns:
        loader.testNamePatterns = [f"*{pattern}*" for pattern in patterns]
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(
        loader.loadTestsFromNames(modules))
    if run.figures:
        print("\nFigures:")
        for label, seconds in run.figures:
            print(f"  {seconds * 1000:7.0f} ms  {label}")
    for text in run.notes:
        print(f"Note: {text}")
    if not result.wasSuccessful():
        for case, quillo in run.programs:
            log = quillo.stderr().strip()
            if log:
                print(f"\nQuillo's standard error in {case}:\n{log}")
        if session_log:
            print(session_log())
    return 0 if result.wasSuccessful() else 1


class QuilloCase(unittest.TestCase):
    """A test with a window to paste into; subclasses start their Quillo in setUpClass."""

    def start_target(self, **options):
        target = new_target(**options)
        self.addCleanup(target.close)
        return target.wait_ready()

    def start_target_owning_text(self, home, text):
        """A window in front that has copied `text` to the clipboard, as the user's own."""
        path = home.folder / "users-clipboard"
        path.write_text(text, encoding="utf-8")
        target = self.start_target(clipboard={"text/plain": path}).activate()
        self.assertEqual(run.session.clipboard_text(), text)
        return target

    def assertSucceeded(self, result):
        self.assertEqual(result.returncode, 0,
                         f"status {result.returncode}, stderr {result.stderr!r}")

    @classmethod
    def start_quillo(cls, home, env=None, at_login=True):
        """The class's Quillo, ready."""
        quillo = home.start(run.processes, at_login=at_login, env=env)
        run.programs.append((cls.__name__, quillo))
        cls.addClassCleanup(run.processes.stop, quillo.process)
        return quillo.wait_ready()

    def start_test_quillo(self, home, name):
        """A Quillo of this test alone, not waited for."""
        quillo = home.start(run.processes, name=name)
        run.programs.append((f"{type(self).__name__} {name}", quillo))
        self.addCleanup(run.processes.stop, quillo.process)
        return quillo
