"""The running program's socket lives where only its user reaches it: a folder others can
reach is refused, and a socket left by a killed program doesn't stop the next one."""

import os
import signal

import context
import library
from quillo_process import accepts

NOBODY = 65534
LETTER = "Dear {{field:Name|Sir}}, thanks."


class InstanceChannel(context.QuilloCase):
    def new_home(self):
        home = context.new_home()
        home.write_library([library.snippet("Letter", LETTER)])
        return home

    def start(self, home, name="quillo"):
        quillo = home.start(context.run.processes, name=name)
        context.run.programs.append((f"{type(self).__name__} {name}", quillo))
        self.addCleanup(context.run.processes.stop, quillo.process)
        return quillo

    def test_a_folder_other_users_can_reach_is_refused(self):
        def given_away(runtime):
            os.chown(runtime, NOBODY, NOBODY)
            return "belongs to another user."

        def opened(runtime):
            runtime.chmod(0o777)
            return "is open to other users."

        def linked(runtime):
            real = runtime.with_name("runtime-real")
            runtime.rename(real)
            runtime.symlink_to(real)
            return "is a symbolic link."

        for spoil in (given_away, opened, linked):
            with self.subTest(spoil.__name__):
                home = self.new_home()
                runtime = home.dirs["XDG_RUNTIME_DIR"]
                reason = ("can't go in a folder other users can reach, and the folder "
                          f"“{runtime}” {spoil(runtime)}")
                for command, said in (((), "Quillo"), (("paste", "Letter"), "quillo")):
                    result = home.run(*command, timeout=30)
                    self.assertEqual(result.returncode, 1, result)
                    self.assertEqual(result.stdout, "")
                    self.assertEqual(result.stderr, f"{said}: Quillo's socket {reason}\n")
                self.assertEqual(list(runtime.iterdir()), [])

    def test_the_socket_of_a_killed_program_is_cleared_at_the_next_start(self):
        home = self.new_home()
        first = self.start(home, "killed").wait_ready()
        [stale] = home.dirs["XDG_RUNTIME_DIR"].glob("quillo-*")
        os.killpg(first.process.pid, signal.SIGKILL)
        first.process.wait()
        self.assertTrue(stale.is_socket())
        self.assertFalse(accepts(stale))

        second = self.start(home, "after-kill").wait_ready()
        self.assertSucceeded(home.run(timeout=30))
        self.assertTrue(second.running(), second.stderr())
