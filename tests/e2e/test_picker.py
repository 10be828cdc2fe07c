"""The picker opened with the shortcut over the window in front: what is chosen there is
pasted into that window, or only copied, and the window stays the active one."""

import time

import context
import library
from picker import RESTORE_DELAY, PickerCase
from waiting import holds_for, wait_until

USERS_CLIPBOARD = "Copied by the user before: ünïcode ✓"
SIGNATURE = "Kind regards,\nÅsa Öberg"
ADDRESS = "1 Main Street\nSpringfield"


class PickerPastesTheChoice(PickerCase):
    @classmethod
    def setUpClass(cls):
        cls.start_picker([
            library.snippet("Signature", SIGNATURE),
            library.snippet("Address", ADDRESS),
        ])

    def start_target_with_clipboard(self):
        return self.start_target_owning_text(self.home, USERS_CLIPBOARD)

    def test_shortcut_query_and_return_paste_into_the_window_in_front(self):
        session = context.run.session
        target = self.start_target_with_clipboard()
        context.figure("shortcut press to the picker on screen (xdotool's start-up included)",
                       self.open_picker())
        self.assertEqual(session.active_window(), target.window, "the picker took the focus")
        session.type("sign")
        session.screenshot(context.run.artifacts / "picker-open.png")
        self.assertEqual(session.active_window(), target.window, "the picker took the focus")

        started = time.monotonic()
        session.key("Return")
        self.picker.wait_closed()
        # The snippet is on the clipboard for the paste, and the user's text comes back after.
        wait_until(lambda: session.clipboard_text() == SIGNATURE, 15,
                   "the snippet on the clipboard", session.clipboard_text)
        target.wait_for_text(SIGNATURE)
        context.figure("Return in the picker to the text in the window (0.08 s of it deliberate)",
                       time.monotonic() - started)
        # The query went to the picker alone.
        self.assertEqual(target.keys(), ["Ctrl+V"])
        wait_until(lambda: session.clipboard_text() == USERS_CLIPBOARD, 15,
                   f"the user's clipboard back after {RESTORE_DELAY} s", session.clipboard_text)
        self.assertEqual(session.active_window(), target.window)

    def test_alt_return_copies_without_pasting(self):
        session = context.run.session
        target = self.start_target_with_clipboard()
        self.open_picker()
        session.type("addr")
        session.key("alt+Return")
        self.picker.wait_closed()
        wait_until(lambda: session.clipboard_text() == ADDRESS, 15,
                   "the snippet on the clipboard", session.clipboard_text)
        # Well past the time a paste gives the user's clipboard back, the copy stays there,
        # and the window got nothing.
        holds_for(lambda: session.clipboard_text() == ADDRESS and target.text() == "",
                  2 * RESTORE_DELAY, "the copy alone on the clipboard",
                  lambda: (session.clipboard_text(), target.text()))
        self.assertEqual(target.keys(), [])
        self.assertEqual(session.active_window(), target.window)
