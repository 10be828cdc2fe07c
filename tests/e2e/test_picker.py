"""The picker opened with the shortcut over the window in front: what is chosen there is
pasted into that window, or only copied, and the window stays the active one."""

import time

import context
import library
from picker import NO_PASTE, RESTORE_DELAY, SHORTCUT, PickerCase, frame_of, point_outside
from waiting import holds_for, wait_until

USERS_CLIPBOARD = "Copied by the user before: ünïcode ✓"
SIGNATURE = "Kind regards,\nÅsa Öberg"
ADDRESS = "1 Main Street\nSpringfield"
POLITE = "Thank you, I'll get back to you shortly."
QUICK = "Got it, thanks!"
FOLLOW_UP = "Following up on my earlier reply."


class PickerPastesTheChoice(PickerCase):
    @classmethod
    def setUpClass(cls):
        cls.start_picker([
            library.snippet("Signature", SIGNATURE),
            library.snippet("Address", ADDRESS),
            # For "reply": a name that starts with it, a name that holds it, and a text that
            # holds it, ranked in that order however often each was used.
            library.snippet("Reply politely", POLITE),
            library.snippet("Quick reply", QUICK),
            library.snippet("Follow-up", FOLLOW_UP),
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

    def test_arrow_keys_choose_another_result(self):
        session = context.run.session
        target = self.start_target().activate()
        self.open_picker()
        session.type("reply")
        # Down past the last of the three results stays on it; Up then goes back one.
        session.key("Down", "Down", "Down", "Up", "Return")
        target.wait_for_text(QUICK)
        self.assertEqual(target.keys(), ["Ctrl+V"])

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


class PickerClosesWithoutPasting(PickerCase):
    @classmethod
    def setUpClass(cls):
        cls.start_picker([library.snippet("Signature", SIGNATURE)])

    def assertNothingPasted(self, target):
        holds_for(lambda: target.text() == "", NO_PASTE, "an empty window", target.text)
        self.assertEqual(target.keys(), [])
        self.assertEqual(target.pastes(), [])
        self.assertEqual(context.run.session.active_window(), target.window)

    def test_click_outside_closes_it_and_the_keyboard_goes_back(self):
        session = context.run.session
        target = self.start_target().activate()
        self.open_picker()
        session.type("sign")
        # A click on the window the user was in, beside the panel.
        session.click(*point_outside(self.picker.frame(), frame_of(session, target.window)))
        self.picker.wait_closed()
        self.assertNothingPasted(target)
        session.type("typed")
        target.wait_for_text("typed")

        # Closed that way, it opens again and pastes.
        self.open_picker()
        session.key("Return")
        target.wait_for_text("typed" + SIGNATURE)

    def test_shortcut_again_closes_it_and_the_next_opens_afresh(self):
        session = context.run.session
        target = self.start_target().activate()
        self.open_picker()
        session.type("zz")  # matches nothing
        session.key(SHORTCUT)
        self.picker.wait_closed()
        self.assertNothingPasted(target)

        # The query is gone: Return takes the one snippet.
        self.open_picker()
        session.key("Return")
        target.wait_for_text(SIGNATURE)
