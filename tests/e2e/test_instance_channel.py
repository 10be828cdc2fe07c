"""The running program's socket lives where only its user reaches it: another user can't
stand in for it, a folder others can reach is refused, and a socket left by a killed
program doesn't stop the next one."""

import hashlib
import os
import signal
import socket
import sys
from pathlib import Path

import context
import library
from quillo_process import accepts
from waiting import wait_until

NOBODY = 65534
LETTER = "Dear {{field:Name|Sir}}, thanks."

# Listens at the given paths as nobody, printing whatever reaches it. Bound before giving up
# root, as the folders may be root's alone; the peer's credentials are taken at listen().
SQUATTER = r"""
import ctypes, os, select, signal, socket, sys
harness, paths = int(sys.argv[1]), sys.argv[2:]
def end(*_):
    for path in paths:  # those in /tmp are nobody's to remove now
        try:
            os.unlink(path)
        except OSError:
            pass
    sys.exit()
signal.signal(signal.SIGTERM, end)
listeners = []
for path in paths:
    listener = socket.socket(socket.AF_UNIX)
    listener.bind(path)
    os.chown(path, 65534, 65534)
    os.chmod(path, 0o777)
    listeners.append(listener)
os.setgroups([]); os.setgid(65534); os.setuid(65534)
ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # giving up root cleared the harness's death signal
if os.getppid() != harness:
    end()
for listener in listeners:
    listener.listen()
print("listening", flush=True)
watched = list(listeners)
while True:
    for ready in select.select(watched, [], [])[0]:
        if ready in listeners:
            watched.append(ready.accept()[0])
            print("connection", flush=True)
        elif data := ready.recv(65536):
            print(repr(data), flush=True)
        else:
            watched.remove(ready)
"""


def old_socket_name(home):
    """Where the program listened before: in the shared temporary folder, by a name anyone
    can compute."""
    folder = str(home.dirs["XDG_DATA_HOME"]).encode()
    return f"quillo-{os.getuid()}-{hashlib.sha1(folder).hexdigest()[:16]}"


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

    def squat(self, paths):
        record = Path(context.run.folder) / "squatter.out"
        for path in paths:
            self.addCleanup(lambda path=path: path.unlink(missing_ok=True))
        with open(record, "wb") as out:
            squatter = context.run.processes.start(
                [sys.executable, "-c", SQUATTER, str(os.getpid()), *map(str, paths)],
                stdout=out)
        self.addCleanup(context.run.processes.stop, squatter)
        wait_until(lambda: record.read_text(), 15, "the squatter to listen",
                   lambda: f"status {squatter.poll()}")
        return record

    def test_a_listener_of_another_user_at_the_old_name_gets_nothing(self):
        home = self.new_home()
        name = old_socket_name(home)
        squatted = [Path("/tmp") / name, home.dirs["TMPDIR"] / name]
        record = self.squat(squatted)

        quillo = self.start(home).wait_ready()
        target = self.start_target().activate()
        self.assertSucceeded(quillo.paste("Letter", "Name=secret"))
        target.wait_for_text("Dear secret, thanks.")
        self.assertSucceeded(home.run(timeout=30))
        self.assertTrue(quillo.running())
        self.assertEqual(record.read_text(), "listening\n")

        # It would have told: what reaches it is kept.
        for path in squatted:
            with socket.socket(socket.AF_UNIX) as client:
                client.connect(str(path))
                client.sendall(b"probe\n")
        wait_until(lambda: record.read_text().count("probe") == 2, 15,
                   "the squatter to keep the probes", record.read_text)

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
