"""`quillo paste NAME` into a Qt window in front, as a user's editor would receive it."""

import time

import context
import library

GREETING = "Hello from Quillo!\nSecond line: ünïcode ✓"
RICH = "<div>Rich <b>bold</b> and <i>italic</i> text</div>"
RICH_AS_TEXT = "Rich bold and italic text"
LETTER = "Dear {{field:Name|Sir}}, thanks."


class PasteIntoQtWindow(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home()
        cls.home.write_library([
            library.snippet("Greeting", GREETING),
            library.snippet("Rich note", RICH, format="rich"),
            library.snippet("Letter", LETTER),
        ])
        cls.quillo = cls.start_quillo(cls.home)

    def test_plain_snippet_arrives_through_ctrl_v(self):
        target = self.start_target().activate()
        started = time.monotonic()
        self.assertSucceeded(self.quillo.paste("Greeting"))
        target.wait_for_text(GREETING)
        context.figure("quillo paste to the text in the Qt window (0.2 s of it deliberate)",
                       time.monotonic() - started)
        shot = context.run.artifacts / "paste-into-qt-window.png"
        context.run.session.screenshot(shot)
        self.assertEqual(target.keys(), ["Ctrl+V"])

    def test_rich_snippet_arrives_as_its_text_and_offers_its_formatting(self):
        target = self.start_target().activate()
        self.assertSucceeded(self.quillo.paste("Rich note"))
        target.wait_for_text(RICH_AS_TEXT)
        [paste] = target.pastes()
        self.assertIn("text/html", paste["formats"])
        for word in ("bold", "italic"):
            self.assertIn(word, paste["html"])

    def test_fields_take_given_values_or_their_defaults(self):
        target = self.start_target().activate()
        self.assertSucceeded(self.quillo.paste("Letter", "Name=Ann"))
        target.wait_for_text("Dear Ann, thanks.")
        self.assertSucceeded(self.quillo.paste("Letter"))
        target.wait_for_text("Dear Ann, thanks.Dear Sir, thanks.")

    def test_unknown_name_fails_and_pastes_nothing(self):
        target = self.start_target().activate()
        result = self.quillo.paste("No such snippet")
        self.assertEqual(result.returncode, 1, result)
        self.assertTrue(result.stderr.strip(), "no message says why")
        # A paste after it arrives alone: the failed one sent nothing before it.
        self.assertSucceeded(self.quillo.paste("Greeting"))
        target.wait_for_text(GREETING)
        self.assertEqual(len(target.pastes()), 1)
        self.assertEqual(target.keys(), ["Ctrl+V"])
        self.assertTrue(self.quillo.running())
