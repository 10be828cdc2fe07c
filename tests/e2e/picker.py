"""Quillo's picker as the user meets it: opened with the shortcut over the window in front,
its panel watched from outside."""

import subprocess
import time

import context
from waiting import wait_until

SHORTCUT = "ctrl+alt+space"


def wait_for_shortcut(quillo):
    """Quillo answers requests from its event loop, so only once it has finished starting, its
    shortcut held; a paste of a name it doesn't know is answered and does nothing else."""
    unknown = "No snippet has this name"
    result = quillo.paste(unknown)
    # Quillo's answer names the snippet; the launcher's own "isn't running" doesn't.
    if result.returncode != 1 or unknown not in result.stderr:
        raise AssertionError(f"Quillo didn't answer: {result!r}")


class Picker:
    """The picker of one running Quillo. Its panel is a window of the program's own, made at
    start, that the window manager leaves alone and that is mapped only while the picker is
    open."""

    def __init__(self, session, quillo):
        self.session = session
        wait_for_shortcut(quillo)
        pid = quillo.process.pid
        self.window = wait_until(lambda: self._find_panel(pid), 30, "Quillo's picker panel",
                                 lambda: self._windows_of(pid))

    def _windows_of(self, pid):
        try:
            found = self.session.x("xdotool", "search", "--pid", str(pid))
        except subprocess.CalledProcessError:
            return []  # xdotool's answer when nothing matches
        return [int(word) for word in found.split()]

    def _find_panel(self, pid):
        panels = [window for window in self._windows_of(pid)
                  if self.session.window_info(window).get("Override Redirect State") == "yes"]
        return panels[0] if len(panels) == 1 else None

    def is_open(self):
        return self.session.window_info(self.window).get("Map State") == "IsViewable"

    def open(self):
        """Presses the shortcut and waits for the panel on screen; returns the seconds from
        sending the key (xdotool's start-up included) to seeing the panel mapped."""
        if self.is_open():
            raise AssertionError("the picker is open already")
        started = time.monotonic()
        self.session.key(SHORTCUT)
        wait_until(self.is_open, 15, "the picker to show")
        return time.monotonic() - started

    def wait_closed(self):
        wait_until(lambda: not self.is_open(), 15, "the picker to close")

    def close_if_open(self):
        """After a failure: the shortcut closes the picker whatever it shows."""
        if self.is_open():
            self.session.key(SHORTCUT)
            self.wait_closed()


class PickerCase(context.QuilloCase):
    """A test that drives the picker of its class's Quillo."""

    @classmethod
    def start_picker(cls, snippets):
        cls.home = context.new_home(snippets)
        cls.quillo = cls.start_quillo(cls.home)
        cls.picker = Picker(context.run.session, cls.quillo)

    def open_picker(self):
        """Opens the picker, closed again after the test whatever happens; returns the seconds
        it took to show."""
        self.addCleanup(self.picker.close_if_open)
        return self.picker.open()
