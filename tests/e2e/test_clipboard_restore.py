"""After a paste, the user's clipboard comes back with every flavour it had."""

import struct
import time
import zlib

import context
import library
from waiting import wait_until
from xsession import PSEUDO_TARGETS


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


class ClipboardRestore(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home()
        cls.home.write_library([library.snippet("Greeting", "Hello from Quillo")])
        cls.quillo = cls.start_quillo(cls.home)

    def copied_flavours(self):
        flavours = {
            "text/plain": "Copied before the paste: ünïcode ✓\n".encode(),
            "text/html": "<p>Copied <b>before</b> the paste</p>".encode(),
            "image/png": small_png(),
        }
        paths = {}
        for number, (mime, data) in enumerate(flavours.items()):
            path = self.home.folder / f"copied-{number}"
            path.write_bytes(data)
            paths[mime] = path
        return flavours, paths

    def test_every_flavour_comes_back_byte_for_byte(self):
        session = context.run.session
        flavours, paths = self.copied_flavours()
        target = self.start_target(clipboard=paths).activate()
        before = set(session.clipboard_targets()) - PSEUDO_TARGETS
        self.assertLessEqual(set(flavours), before, "the target didn't offer its flavours")
        offered = {name: session.clipboard_read(name) for name in sorted(before)}
        for mime, data in flavours.items():
            self.assertEqual(offered[mime], data, mime)

        started = time.monotonic()
        self.assertSucceeded(self.quillo.paste("Greeting"))
        target.wait_for_text("Hello from Quillo")
        # While the snippet sits on the clipboard there is no image; the restore brings it.
        wait_until(lambda: "image/png" in session.clipboard_targets(), 15,
                   "the clipboard to be restored", session.clipboard_targets)
        context.figure("quillo paste to the user's clipboard restored (1.0 s of it deliberate)",
                       time.monotonic() - started)

        after = set(session.clipboard_targets()) - PSEUDO_TARGETS
        self.assertLessEqual(before, after, f"lost {sorted(before - after)}")
        for name, data in offered.items():
            self.assertEqual(session.clipboard_read(name), data, name)

        # Quillo keeps serving the restored clipboard once the program that copied is gone.
        target.close()
        self.assertEqual(session.clipboard_read("image/png"), flavours["image/png"])
        self.assertEqual(session.clipboard_read("text/html"), flavours["text/html"])
