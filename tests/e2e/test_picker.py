"""The picker opened with the shortcut over the window in front: what is chosen there, with
its fields filled in on the way, is pasted into that window, which stays the active one."""

import time

import context
import library
from picker import PickerCase
from waiting import wait_until

USERS_CLIPBOARD = "Copied by the user before: ünïcode ✓"
SIGNATURE = "Kind regards,\nÅsa Öberg"
INVITATION = "Dear {{field:Guest}}, join us in {{field:City}} on {{field:Day|Friday}}."


class PickerPastesTheChoice(PickerCase):
    @classmethod
    def setUpClass(cls):
        cls.start_picker([
            library.snippet("Signature", SIGNATURE),
            library.snippet("Invitation", INVITATION),
        ])

    def test_shortcut_query_and_return_paste_into_the_window_in_front(self):
        session = context.run.session
        target = self.start_target_owning_text(self.home, USERS_CLIPBOARD)
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
                   "the user's clipboard back", session.clipboard_text)
        self.assertEqual(session.active_window(), target.window)

    def test_tab_moves_between_fields_and_their_values_are_pasted(self):
        session = context.run.session
        target = self.start_target().activate()
        self.open_picker()
        session.type("invit")
        session.key("Return")  # opens the form
        session.type("Ann")
        session.key("Tab")
        session.type("Rome")
        session.key("Return")
        self.picker.wait_closed()
        # The field left empty takes its default.
        target.wait_for_text("Dear Ann, join us in Rome on Friday.")
        self.assertEqual(target.keys(), ["Ctrl+V"])
        self.assertEqual(session.active_window(), target.window)
