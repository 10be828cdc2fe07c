"""Control+Alt+Space, Quillo's default shortcut, held by another program."""

import context
import library
from waiting import wait_until

REFUSED = "Quillo: hotkey registration failed (10)"


class ShortcutHeldByAnotherProgram(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home([library.snippet("Greeting", "Still pasting")])
        # The other program starts first and keeps the combination.
        cls.holder = context.new_target(grab_shortcut=True)
        cls.addClassCleanup(cls.holder.close)
        cls.holder.wait_ready()
        cls.quillo = cls.start_quillo(cls.home)

    def test_quillo_says_so_and_keeps_working(self):
        wait_until(lambda: REFUSED in self.quillo.stderr(), 20,
                   "the message about the shortcut", self.quillo.stderr)
        self.assertTrue(self.quillo.running())
        self.holder.activate()
        self.assertSucceeded(self.quillo.paste("Greeting"))
        self.holder.wait_for_text("Still pasting")
