"""A person's day on GNOME (mutter): GNOME's keybinding runs `quillo --picker`, the picker takes
the focus, Return pastes into the window they were in through the desktop's remote desktop
session, and their clipboard, which only a focused window may set, comes back."""

import time

import context
import library
from test_wayland import copy_in, users_clipboard
from waiting import SLOWNESS, wait_until

GREETING = "Hello from Quillo"
# Longer than Quillo waits before it puts the user's clipboard back (0.8 s) and borrows the
# focus to do it, with room.
RESTORE_WAIT = 2.5 * SLOWNESS


class GnomeDay(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.run.home
        cls.home.write_library([library.snippet("Greeting", GREETING)])
        # The user allowed Quillo to type in an earlier session: it asks the portal at start.
        settings = cls.home.dirs["XDG_CONFIG_HOME"] / "Quillo" / "Quillo.conf"
        settings.parent.mkdir(parents=True, exist_ok=True)
        settings.write_text("[General]\nremoteDesktopAllowed=true\n")
        cls.quillo = cls.start_quillo(cls.home)
        cls.session = context.run.session

    def start_focused_target(self, **options):
        target = self.start_target(**options)
        wait_until(target.has_focus, 15, "the new window to have the focus")
        return target

    def pick_greeting(self, target, key):
        # Settled first: wl-paste borrows the focus for a moment too, and the target may
        # log that late, so its log must stay unchanged for a moment with the focus in it.
        seen = []

        def settled():
            log = target.focus_log()
            still = log == seen and log[-1:] == ["in"]
            seen[:] = log
            if not still:
                time.sleep(0.3 * SLOWNESS)
            return still

        wait_until(settled, 15, "the target to keep the focus")
        before = len(target.focus_log())
        started = time.monotonic()
        self.assertSucceeded(self.home.run("--picker"))
        wait_until(lambda: "out" in target.focus_log()[before:], 15,
                   "the picker to take the focus")
        context.figure("quillo --picker to the picker with the focus (mutter)",
                       time.monotonic() - started)
        self.session.type("greet")
        # At a person's pace: they see the result before they press Return.
        time.sleep(0.3)
        self.session.key(key)

    def test_return_pastes_and_the_clipboard_comes_back(self):
        flavours, paths = users_clipboard(self.home.folder)
        target = self.start_focused_target(clipboard=paths)
        copy_in(self.session, target, flavours)
        self.pick_greeting(target, "Return")
        started = time.monotonic()
        target.wait_for_text(GREETING)
        context.figure("Return to the text in the target (mutter)", time.monotonic() - started)
        self.assertEqual(target.keys(), ["Ctrl+V"])
        # Read once the restore is over: wl-paste borrows the focus too.
        time.sleep(RESTORE_WAIT)
        wait_until(lambda: self.session.clipboard_text() == flavours["text/plain"].decode(), 15,
                   "the user's clipboard back", self.session.clipboard_text)
        for mime, data in flavours.items():
            self.assertEqual(self.session.clipboard_read(mime), data, mime)
        # The borrowed focus, and wl-paste's, go back to the user's window.
        wait_until(target.has_focus, 15, "the focus back in the target")

    def test_a_copy_made_during_the_wait_is_kept(self):
        target = self.start_focused_target()
        self.pick_greeting(target, "Return")
        target.wait_for_text(GREETING)
        self.session.copy("copied meanwhile".encode())
        time.sleep(RESTORE_WAIT)
        # Read again while nothing answers: wl-paste borrows the focus for each read, which a
        # busy mutter may not give it at once. A clipboard put back over the copy stays wrong.
        wait_until(lambda: self.session.clipboard_text() == "copied meanwhile", 10,
                   "the copy made meanwhile", self.session.clipboard_text)

    def test_alt_return_leaves_the_snippet_on_the_clipboard(self):
        target = self.start_focused_target()
        self.pick_greeting(target, "alt+Return")
        wait_until(target.has_focus, 15, "the focus back in the target")
        time.sleep(RESTORE_WAIT)
        self.assertEqual(self.session.clipboard_text(), GREETING)
        self.assertEqual(target.text(), "")
