"""The library window of a Quillo started by hand: a snippet made there, with a name and
formatted text typed in its rich editor, is in the library file once Quillo has quit."""

import json

import context
import library
from waiting import wait_until

NAME = "Support reply"


class LibraryWindow(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home([library.snippet("Greeting", "Hello there")])
        cls.quillo = cls.start_quillo(cls.home, at_login=False)

    def saved(self, name):
        """The snippet of that name in the library file, if it has been saved."""
        try:
            snippets = self.home.read_library()["snippets"]
        except (FileNotFoundError, json.JSONDecodeError):
            return None  # between two writes
        return next((s for s in snippets if s["name"] == name), None)

    def test_a_new_rich_snippet_is_saved_as_typed(self):
        session = context.run.session
        window = session.find_window("Quillo")
        session.activate(window)

        # The new snippet's name is selected, ready to be typed over at once, also while its
        # rich editor starts for the first time.
        session.key("ctrl+n")
        session.type(NAME)
        wait_until(lambda: self.saved(NAME), 20, "the new snippet's name to be saved")

        # Into the rich editor, below the header and the formatting bar of the detail column.
        info = session.window_info(window)
        left, top = int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"])
        width, height = int(info["Width"]), int(info["Height"])
        session.click(left + width * 3 // 4, top + height * 3 // 5)
        session.type("Hello ")
        session.key("ctrl+b")
        session.type("bold")
        session.key("ctrl+b")
        session.type(" and link")
        session.key("ctrl+shift+Left", "ctrl+k")
        # The link dialog takes the address; Return applies it.
        wait_until(lambda: session.active_window() != window, 15, "the link dialog")
        session.type("example.com")
        session.key("Return")

        expected = '<div>Hello <b>bold</b> and <a href="https://example.com">link</a></div>'
        wait_until(lambda: (self.saved(NAME) or {}).get("text") == expected, 20,
                   "the formatted text to be saved", lambda: self.saved(NAME))
        session.screenshot(context.run.artifacts / "library-window.png")

        self.assertEqual(self.quillo.terminate(), 0, self.quillo.stderr())
        snippet = self.saved(NAME)
        self.assertEqual(snippet["format"], "rich")
        self.assertEqual(snippet["text"], expected)
        self.assertIsNotNone(self.saved("Greeting"), "the snippet that was there is kept")
