"""The running program's socket lives where only its user reaches it: a folder others can
reach is refused, and a socket left by a killed program doesn't stop the next one."""

import os
import signal

import context
import library
from quillo_process import accepts

LETTER = "Dear {{field:Name|Sir}}, thanks."


class InstanceChannel(context.QuilloCase):
    def new_home(self):
        return context.new_home([library.snippet("Letter", LETTER)])

    def test_a_folder_other_users_can_reach_is_refused(self):
        home = self.new_home()
        runtime = home.dirs["XDG_RUNTIME_DIR"]
        runtime.chmod(0o777)
        reason = ("can't go in a folder other users can reach, and the folder "
                  f"“{runtime}” is open to other users.")
        for command, said in (((), "Quillo"), (("paste", "Letter"), "quillo")):
            result = home.run(*command, timeout=30)
            self.assertEqual(result.returncode, 1, result)
            self.assertEqual(result.stdout, "")
            self.assertEqual(result.stderr, f"{said}: Quillo's socket {reason}\n")
        self.assertEqual(list(runtime.iterdir()), [])

    def test_the_socket_of_a_killed_program_is_cleared_at_the_next_start(self):
        home = self.new_home()
        first = self.start_test_quillo(home, "killed").wait_ready()
        [stale] = home.dirs["XDG_RUNTIME_DIR"].glob("quillo-*")
        os.killpg(first.process.pid, signal.SIGKILL)
        first.process.wait()
        self.assertTrue(stale.is_socket())
        self.assertFalse(accepts(stale))

        second = self.start_test_quillo(home, "after-kill").wait_ready()
        self.assertSucceeded(home.run(timeout=30))
        self.assertTrue(second.running(), second.stderr())
