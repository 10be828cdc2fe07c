"""The settings window of a running Quillo, opened by a second launch: a shortcut recorded
there with the keyboard opens the picker, and the one before no longer does."""

import json
import re
import subprocess

import context
import library
from picker import SHORTCUT, PickerCase
from waiting import holds_for, wait_until

NEW_SHORTCUT = "ctrl+alt+k"
GREETING = "Hello from the new shortcut"
# Control+Alt+K as Quillo keeps it: the K key's code and Control and Option's bits.
STORED = {"keyCode": 40, "modifiers": 0x1800, "keyName": "K"}


class SettingsRecordShortcut(PickerCase):
    @classmethod
    def setUpClass(cls):
        cls.start_picker([library.snippet("Greeting", GREETING)])

    @staticmethod
    def is_shown(window):
        try:
            return context.run.session.window_info(window).get("Map State") == "IsViewable"
        except subprocess.CalledProcessError:
            return False  # closed, the window is gone

    def close_settings(self, window):
        if self.is_shown(window):
            context.run.session.activate(window)
            context.run.session.key("ctrl+w")
            wait_until(lambda: not self.is_shown(window), 15, "the settings window to close")

    def settings_text(self):
        conf = self.home.dirs["XDG_CONFIG_HOME"] / "Quillo" / "Quillo.conf"
        return conf.read_text(encoding="utf-8") if conf.exists() else ""

    def stored_shortcut(self):
        """The stored shortcut: its JSON, quoted in the settings file."""
        found = re.search(r'^pickerShortcut="(.*)"$', self.settings_text(), re.MULTILINE)
        return found and json.loads(found.group(1).replace('\\"', '"'))

    def test_a_recorded_shortcut_opens_the_picker_and_the_old_one_no_longer_does(self):
        session = context.run.session
        target = self.start_target().activate()
        self.assertSucceeded(self.home.run("--settings"))
        window = session.find_window("Quillo Settings")
        self.addCleanup(self.close_settings, window)
        wait_until(lambda: session.active_window() == window, 15,
                   "the settings window in front", session.active_window)

        # Space presses the shortcut button, which has the focus.
        session.key("space", NEW_SHORTCUT)
        wait_until(lambda: self.stored_shortcut() == STORED, 15,
                   "the new shortcut to be stored", self.settings_text)
        session.screenshot(context.run.artifacts / "settings-window.png")
        self.close_settings(window)

        target.activate()
        session.key(NEW_SHORTCUT)
        wait_until(self.picker.is_open, 15, "the picker to open with the new shortcut")
        session.type("greet")
        session.key("Return")
        target.wait_for_text(GREETING)

        session.key(SHORTCUT)
        holds_for(lambda: not self.picker.is_open(), 1.0,
                  "the picker closed after the old shortcut")
