"""Started where there is no display, Quillo says so in one line and fails."""

import unittest

import context


class NoDisplay(unittest.TestCase):
    def test_one_line_on_stderr_and_a_failing_status(self):
        home = context.new_home()
        result = home.run(display=False, timeout=30)
        self.assertNotEqual(result.returncode, 0)
        lines = [line for line in result.stderr.splitlines() if line.strip()]
        self.assertEqual(len(lines), 1, result.stderr)
        self.assertEqual(result.stdout, "")
