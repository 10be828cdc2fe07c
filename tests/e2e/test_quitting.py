"""Quitting saves the library: the uses counted by pastes survive."""

import context
import library


class Quitting(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home([library.snippet("Greeting", "Counted once"),
                                     library.snippet("Unused", "Never pasted", use_count=4)])
        cls.quillo = cls.start_quillo(cls.home)

    def uses(self):
        return {snippet["name"]: snippet["useCount"]
                for snippet in self.home.read_library()["snippets"]}

    def test_sigterm_after_a_paste_saves_its_use(self):
        target = self.start_target().activate()
        self.assertSucceeded(self.quillo.paste("Greeting"))
        target.wait_for_text("Counted once")
        if self.uses()["Greeting"] != 0:
            context.note("the use was saved before SIGTERM; the save on quitting went unused")
        self.assertEqual(self.quillo.terminate(), 0, self.quillo.stderr())
        self.assertEqual(self.uses(), {"Greeting": 1, "Unused": 4})

        # With Quillo gone, asking it to paste fails and says so.
        result = self.quillo.paste("Greeting")
        self.assertEqual(result.returncode, 1, result)
        self.assertTrue(result.stderr.strip())
