"""The settings window of a running Quillo, opened by a second launch: a shortcut recorded
there with the keyboard opens the picker, and the one before no longer does."""

import json
import re
import subprocess

import context
import library
from backups import make_backup
from picker import NO_PASTE, SHORTCUT, PickerCase
from waiting import holds_for, wait_until

NEW_SHORTCUT = "ctrl+alt+k"
GREETING = "Hello from the new shortcut"
# Control+Alt+K as Quillo keeps it: the K key's code and Control and Option's bits.
STORED = {"keyCode": 40, "modifiers": 0x1800, "keyName": "K"}


class SettingsRecordShortcut(PickerCase):
    @classmethod
    def setUpClass(cls):
        cls.start_picker([library.snippet("Greeting", GREETING)])

    def open_settings(self):
        """Opens the settings window through a second launch, closed again after the test;
        returns it once it has the keyboard."""
        session = context.run.session
        self.assertSucceeded(self.home.run("--settings"))
        window = self.find_settings()
        self.addCleanup(self.close_settings, window)
        wait_until(lambda: session.active_window() == window, 15,
                   "the settings window in front", session.active_window)
        return window

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

    def find_settings(self):
        session = context.run.session

        def found():
            result = subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--name", "^Quillo Settings$"],
                env=session.env(), capture_output=True, text=True)
            return result.stdout.split()
        return int(wait_until(found, 30, "the settings window to show")[0])

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

        window = self.open_settings()

        # Space presses the shortcut button, which has the focus. While it records, the old
        # shortcut is only a combination like any other: recorded, it opens no picker.
        session.key("space", SHORTCUT)
        holds_for(lambda: not self.picker.is_open(), NO_PASTE,
                  "the picker closed while the shortcut is recorded")
        session.key("space")
        session.screenshot(context.run.artifacts / "settings-recording.png")
        session.key("shift+k")  # no Control, Alt or Super: a beep, and recording goes on
        session.key(NEW_SHORTCUT)
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

    def test_the_login_switch_and_the_latest_aText_backup_by_keyboard(self):
        session = context.run.session
        entry = self.home.dirs["XDG_CONFIG_HOME"] / "autostart" / "quillo.desktop"
        # The first start put Quillo in the autostart folder.
        self.assertTrue(entry.exists())
        backups = (self.home.dirs["HOME"] / "Library" / "Application Support" /
                   "com.trankynam.aText" / "Backups")
        backups.mkdir(parents=True, exist_ok=True)
        make_backup(backups, "one-snippet.atext")

        window = self.open_settings()
        # From the shortcut button: the login switch, then the import.
        session.key("Tab", "space")
        wait_until(lambda: not entry.exists(), 15, "the autostart entry to go")
        session.key("Tab", "space")
        wait_until(lambda: len(self.home.read_library()["snippets"]) == 2, 15,
                   "the backup's snippet to be saved", self.home.read_library)
        session.screenshot(context.run.artifacts / "settings-imported.png")

        session.key("shift+Tab", "space")
        wait_until(entry.exists, 15, "the autostart entry to come back")
        self.assertIn("--autostart", entry.read_text(encoding="utf-8"))
        self.close_settings(window)
