"""Terminals paste on Ctrl+Shift+V; Quillo sends them that chord instead of Ctrl+V, and a real
terminal's shell reads the text."""

import time

import context
import library
from waiting import wait_until

COMMAND_LINE = "echo pasted-into-a-terminal"


class TerminalChord(context.QuilloCase):
    @classmethod
    def setUpClass(cls):
        cls.home = context.new_home()
        cls.home.write_library([library.snippet("Shell line", COMMAND_LINE)])
        cls.quillo = cls.start_quillo(cls.home)

    def test_real_xterm_receives_the_text(self):
        xterm = context.new_xterm()
        self.addCleanup(xterm.close)
        xterm.wait_ready().activate()
        started = time.monotonic()
        self.assertSucceeded(self.quillo.paste("Shell line"))
        # A Ctrl+V would arrive as the byte 0x16 instead.
        wait_until(lambda: xterm.received() == COMMAND_LINE.encode(), 15,
                   "xterm's shell to read the text", xterm.received)
        context.figure("quillo paste to the text read by xterm's shell",
                       time.monotonic() - started)
