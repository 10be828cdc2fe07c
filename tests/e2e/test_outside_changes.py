"""The library file changed by someone else while Quillo runs: an editor, a script or a sync
tool. The change is taken in, or, when it doesn't read, kept from being saved over until
the user chooses Quillo's copy; a sync tool's conflict copy is merged."""

import json
import os
import subprocess

import context
import library
from picker import PickerCase
from waiting import holds_for, wait_until

GREETING = "Hello there"
CONFLICT_COPY = "library.sync-conflict-20260301-101010-ABCDEFG.json"


def banner_buttons(session, window, band):
    """The buttons of one of the library window's banners, right to left, as points on the
    screen; None while it shows no such banner. The banners are bands of a warm tint across
    the top of the window, one colour each, their buttons at the right end."""
    info = session.window_info(window)
    left, top = int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"])
    width, height = int(info["Width"]), int(info["Height"])
    pixels = session.x("import", "-window", str(window), "-depth", "8", "rgb:-", timeout=30)

    def colour(x, y):
        at = (y * width + x) * 3
        return tuple(pixels[at:at + 3])

    # Down the right margin, beside the buttons: runs of one warm colour.
    edge = width - 6
    bands, start = [], 0
    for y in range(1, height + 1):
        if y == height or colour(edge, y) != colour(edge, start):
            red, _, blue = colour(edge, start)
            if red - blue > 8 and y - start > 20:
                bands.append((start + y) // 2)
            start = y
    try:
        middle = bands[band]
    except IndexError:
        return None
    # Along its middle, leftwards: each stretch not of the tint is a button, the text after.
    tint = colour(edge, middle)
    buttons, start = [], None
    for x in range(edge, 0, -1):
        if colour(x, middle) != tint:
            start = start or x
        elif start:
            buttons.append((left + (start + x) // 2, top + middle))
            start = None
    return buttons


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

    def names(self):
        return sorted(snippet["name"] for snippet in self.snippets())

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

    def open_library(self):
        """The library window, brought to the front by a second launch."""
        session = context.run.session
        self.assertSucceeded(self.home.run())

        def found():
            result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quillo$"],
                                    env=session.env(), capture_output=True, text=True)
            return result.stdout.split()
        window = int(wait_until(found, 30, "the library window to show")[0])
        wait_until(lambda: session.active_window() == window, 15,
                   "the library window in front", session.active_window)
        return window

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

    def test_a_broken_write_is_not_saved_over_until_quillos_copy_is_chosen(self):
        session = context.run.session
        path = self.home.library_path
        names = self.names()
        uses = self.uses("Greeting")
        broken = path.read_bytes()[:path.stat().st_size // 2]
        path.write_bytes(broken)

        # A paste records a use, which would be saved 0.4 s later.
        target = self.start_target().activate()
        self.assertSucceeded(self.quillo.paste("Greeting"))
        target.wait_for_text(GREETING)
        holds_for(lambda: path.read_bytes() == broken, 1.5, "the broken file untouched")

        # The notice offers Quillo's copy beside Show Files and Dismiss.
        window = self.open_library()

        def notice():
            buttons = banner_buttons(session, window, 0)
            return buttons if buttons and len(buttons) >= 3 else None
        buttons = wait_until(notice, 15, "the notice that the file can't be read")
        session.screenshot(context.run.artifacts / "outside-unreadable.png")
        session.click(*buttons[2])

        def set_aside():
            return list(path.parent.glob("library unreadable *.json"))
        [aside] = wait_until(set_aside, 15, "the broken file set aside")
        self.assertEqual(aside.read_bytes(), broken)
        wait_until(lambda: self.names() == names, 15, "Quillo's copy saved", self.names)
        self.assertEqual(self.uses("Greeting"), uses + 1)

        # Dismissed, the notice that it was set aside goes.
        session.click(*banner_buttons(session, window, 0)[0])
        wait_until(lambda: banner_buttons(session, window, 0) is None, 15,
                   "the notice to go")

    def test_a_sync_tools_conflict_copy_is_merged_from_the_library_window(self):
        session = context.run.session
        folder = self.home.library_path.parent
        names = sorted([*self.names(), "Only in the copy"])
        copy = folder / CONFLICT_COPY
        copy.write_text(self.with_snippet("Only in the copy", "From the other computer"),
                        encoding="utf-8")

        window = self.open_library()
        [merge] = wait_until(lambda: banner_buttons(session, window, -1), 15,
                             "the conflict copy offered")[:1]
        session.screenshot(context.run.artifacts / "outside-conflict.png")
        session.click(*merge)
        # What both have is there once.
        wait_until(lambda: self.names() == names, 15, "the copy's snippet saved", self.names)
        self.assertFalse(copy.exists())
        self.assertTrue((folder / "Backups" / "Conflicted copies" / CONFLICT_COPY).exists())
        wait_until(lambda: banner_buttons(session, window, -1) is None, 15,
                   "the conflict banner to go")
