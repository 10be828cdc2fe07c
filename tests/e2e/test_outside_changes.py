"""The library file changed by someone else while Quillo runs (an editor, a script or a sync
tool): the change is taken in."""

import json
import os

import context
import library
from picker import PickerCase
from waiting import holds_for, wait_until

GREETING = "Hello there"


class OutsideChanges(PickerCase):
    @classmethod
    def setUpClass(cls):
        cls.start_picker([library.snippet("Greeting", GREETING)])

    def snippets(self):
        """The library file's snippets; none while it doesn't read."""
        try:
            return self.home.read_library()["snippets"]
        except (FileNotFoundError, json.JSONDecodeError):
            return []

    def uses(self, name):
        return next((s["useCount"] for s in self.snippets() if s["name"] == name), None)

    def with_snippet(self, name, text):
        """The library file as another program would write it back with a snippet added."""
        document = self.home.read_library()
        document["snippets"].append(library.snippet(name, text))
        return json.dumps(document, indent=2, ensure_ascii=False)

    def paste_once_known(self, name):
        """Asks Quillo to paste `name` until it has taken the snippet in."""
        def pasted():
            result = self.quillo.paste(name)
            if result.returncode == 1 and name in result.stderr:
                return False  # not known yet
            self.assertSucceeded(result)
            return True
        wait_until(pasted, 3, f"Quillo to know {name!r}")

    def test_an_edit_made_while_quillo_idles_is_in_the_picker(self):
        session = context.run.session
        path = self.home.library_path
        target = self.start_target().activate()

        def in_place(text):
            path.write_text(text, encoding="utf-8")

        def renamed_over(text):
            # As sync tools do: a hidden file beside it, renamed over it.
            temporary = path.with_name(".syncthing.library.json.tmp")
            temporary.write_text(text, encoding="utf-8")
            os.replace(temporary, path)

        def in_two_steps(text):
            # As some editors save: the old file moved to a backup, then a new one written.
            # Quillo looks in between, and leaves the missing file to the editor.
            backup = path.with_name("library.json~")
            os.replace(path, backup)
            holds_for(lambda: not path.exists(), 0.5, "the file left missing")
            path.write_text(text, encoding="utf-8")
            backup.unlink()

        pasted = ""
        for way, name in ((in_place, "Edited in place"), (renamed_over, "Renamed over"),
                          (in_two_steps, "Saved in two steps")):
            with self.subTest(way=way.__name__):
                text = f"Written outside: {name}"
                way(self.with_snippet(name, text))
                self.paste_once_known(name)
                pasted += text
                target.wait_for_text(pasted)
                self.open_picker()
                session.type(name)
                session.key("Return")
                pasted += text
                target.wait_for_text(pasted)
                # Both uses saved: Quillo idles again before the next way.
                wait_until(lambda: self.uses(name) == 2, 15, f"the uses of {name!r} saved",
                           self.snippets)
