"""Control+Alt+Space, Quillo's default shortcut, held by another program or by Quillo."""

import context
import library
from waiting import wait_until

REFUSED = "Quillo: hotkey registration failed (10)"


class ShortcutHeldByAnotherProgram(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home()
        cls.home.write_library([library.snippet("Greeting", "Still pasting")])
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


class ShortcutHeldByQuillo(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home()
        cls.home.write_library([library.snippet("Greeting", "Quillo is up")])
        cls.quillo = cls.start_quillo(cls.home)

    def test_another_program_is_refused_and_quillo_does_not_complain(self):
        # A paste answered shows Quillo has finished starting, its shortcut included.
        target = self.start_target().activate()
        self.assertSucceeded(self.quillo.paste("Greeting"))
        target.wait_for_text("Quillo is up")
        latecomer = context.new_target(grab_shortcut=True)
        self.addCleanup(latecomer.close)
        # Granted, it would keep running with the combination.
        wait_until(lambda: latecomer.process.poll() is not None, 30,
                   "another program's grab of Control+Alt+Space to be refused",
                   latecomer.stderr)
        self.assertEqual(latecomer.process.returncode, 3, latecomer.stderr())
        self.assertIn("(10)", latecomer.stderr())
        self.assertNotIn("hotkey registration failed", self.quillo.stderr())
