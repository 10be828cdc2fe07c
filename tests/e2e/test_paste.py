"""`quillo paste NAME` into the window in front: Ctrl+V for an editor, Ctrl+Shift+V for a
terminal."""

import time

import context
import library

LETTER = "Dear {{field:Name|Sir}},\nthanks: ünïcode ✓"
COMMAND_LINE = "echo pasted-into-a-terminal"


class PasteIntoTheWindowInFront(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home([library.snippet("Letter", LETTER),
                                     library.snippet("Shell line", COMMAND_LINE)])
        cls.quillo = cls.start_quillo(cls.home)

    def test_snippet_with_a_field_value_arrives_through_ctrl_v(self):
        target = self.start_target().activate()
        started = time.monotonic()
        self.assertSucceeded(self.quillo.paste("Letter", "Name=Ann"))
        target.wait_for_text("Dear Ann,\nthanks: ünïcode ✓")
        context.figure("quillo paste to the text in the Qt window (0.2 s of it deliberate)",
                       time.monotonic() - started)
        context.run.session.screenshot(context.run.artifacts / "paste-into-qt-window.png")
        self.assertEqual(target.keys(), ["Ctrl+V"])

    def test_a_terminal_gets_ctrl_shift_v(self):
        # Started as kitty, the window's class names a terminal.
        target = self.start_target(app_id="kitty").activate()
        self.assertSucceeded(self.quillo.paste("Shell line"))
        target.wait_for_text(COMMAND_LINE)
        self.assertEqual(target.keys(), ["Ctrl+Shift+V"])
