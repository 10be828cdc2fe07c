"""A person's day in a Wayland session: the shortcut opens the picker, Return pastes into the
window they were in, and their clipboard comes back with everything it held."""

import struct
import time
import unittest
import zlib

import context
import library
from picker import wait_for_shortcut
from waiting import SLOWNESS, holds_for, wait_until

SHORTCUT = "ctrl+alt+space"
GREETING = "Hello from Quillo"
# Longer than Quillo waits before it puts the user's clipboard back (0.8 s), with room.
RESTORE_WAIT = 2.0 * SLOWNESS


def small_png(width=4, height=3):
    """A real PNG of a few coloured pixels, so the image flavour is a true image."""
    rows = b"".join(
        b"\0" + b"".join(bytes((40 * x, 60 * y, 200)) for x in range(width))
        for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
            + chunk(b"IEND", b""))


def users_clipboard(folder):
    """What the user copied before a paste, in three flavours, and the files the target
    window takes them from."""
    flavours = {"text/plain": "Copied before the paste ✓".encode(),
                "text/html": b"<p>Copied <b>before</b></p>",
                "image/png": small_png()}
    paths = {}
    for number, (mime, data) in enumerate(flavours.items()):
        paths[mime] = folder / f"copied-{number}"
        paths[mime].write_bytes(data)
    return flavours, paths


def copy_in(session, target, flavours):
    """The target copies the user's clipboard on its first key press. Where the clipboard
    tool borrows the focus, it must not run before that key has arrived."""
    session.key("Shift_L")
    wait_until(target.took_clipboard, 15, "the target's key press", target.stderr)
    wait_until(lambda: session.clipboard_text() == flavours["text/plain"].decode(), 15,
               "the target's copy", session.clipboard_text)


class WaylandDay(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.run.home
        cls.home.write_library([library.snippet("Greeting", GREETING),
                                library.snippet("Shell line", "echo from-quillo")])
        cls.quillo = cls.start_quillo(cls.home)
        cls.session = context.run.session
        # Its socket is up before its shortcut is: the first press must not come between.
        wait_for_shortcut(cls.quillo)

    def picker_has_focus(self):
        return (self.session.focused() or (None, None))[0] == "quillo"

    def open_picker(self):
        started = time.monotonic()
        self.session.key(SHORTCUT)
        wait_until(self.picker_has_focus, 15, "the picker to have the focus",
                   self.session.focused)
        self.addCleanup(self.close_picker_if_open)
        return time.monotonic() - started

    def close_picker_if_open(self):
        if self.picker_has_focus():
            self.session.key("Escape")

    def start_focused_target(self, **options):
        target = self.start_target(**options)
        self.session.activate(target.title)
        return target

    def test_shortcut_search_and_return_paste_then_the_clipboard_comes_back(self):
        flavours, paths = users_clipboard(self.home.folder)
        target = self.start_focused_target(clipboard=paths)
        copy_in(self.session, target, flavours)
        shown = self.open_picker()
        context.figure(f"shortcut to the picker with the focus ({self.session.name})", shown)
        self.session.screenshot(context.run.artifacts / f"picker-under-{self.session.name}.png")
        self.session.type("greet")
        started = time.monotonic()
        self.session.key("Return")
        target.wait_for_text(GREETING)
        context.figure(f"Return to the text in the target ({self.session.name})", time.monotonic() - started)
        self.assertEqual(target.keys(), ["Ctrl+V"])
        self.assertEqual(self.session.focused()[1], target.title)
        # The picker's window never took the clipboard: the user's flavours come back whole.
        wait_until(lambda: self.session.clipboard_text() == flavours["text/plain"].decode(),
                   RESTORE_WAIT + 5, "the user's clipboard to come back",
                   self.session.clipboard_text)
        for mime, data in flavours.items():
            self.assertEqual(self.session.clipboard_read(mime), data, mime)

    def test_alt_return_only_copies(self):
        target = self.start_focused_target()
        self.open_picker()
        self.session.type("greet")
        self.session.key("alt+Return")
        wait_until(lambda: self.session.clipboard_text() == GREETING, 15,
                   "the snippet on the clipboard", self.session.clipboard_text)
        holds_for(lambda: target.text() == "", 1.0, "the target staying empty", target.text)

    def test_the_picker_closes_when_another_window_takes_the_focus(self):
        target = self.start_focused_target()
        self.open_picker()
        # At a person's pace: the program hears of its own activation a moment after the
        # compositor reports it.
        time.sleep(0.3)
        self.session.activate(target.title)
        wait_until(lambda: "quillo" not in self.session.open_app_ids(), 15,
                   "the picker to close", self.session.open_app_ids)

    def test_a_terminal_gets_ctrl_shift_v(self):
        if self.session.name != "sway":
            self.skipTest("only wlroots compositors tell programs the window in front")
        target = self.start_focused_target(app_id="foot")
        self.open_picker()
        self.session.type("shell")
        self.session.key("Return")
        target.wait_for_text("echo from-quillo")
        self.assertEqual(target.keys(), ["Ctrl+Shift+V"])


class QuilloOnXWayland(context.QuilloCase):
    """Qt on XWayland (QT_QPA_PLATFORM=xcb, as some desktops set it) in a Wayland session: the
    X server answers and has XTEST, yet its keys never reach Wayland windows."""

    @classmethod
    def setUpClass(cls):
        cls.session = context.run.session
        if not cls.session.xwayland_display:
            raise unittest.SkipTest("the compositor runs without XWayland here")
        cls.home = context.run.home
        cls.home.write_library([library.snippet("Greeting", GREETING)])
        cls.quillo = cls.start_quillo(cls.home, env={
            "QT_QPA_PLATFORM": "xcb", "DISPLAY": cls.session.xwayland_display})

    def test_pastes_through_the_compositor_not_xtest(self):
        target = self.start_target()
        self.session.activate(target.title)
        self.assertSucceeded(self.quillo.paste("Greeting"))
        target.wait_for_text(GREETING)
        self.assertEqual(target.keys(), ["Ctrl+V"])
