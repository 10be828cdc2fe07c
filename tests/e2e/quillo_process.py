"""The program under test, each time with its own home, XDG folders and library."""

import json
import socket
import subprocess
from pathlib import Path

import library
from waiting import wait_until


def accepts(path):
    """Whether a program listens at the socket: a file alone may be a killed program's."""
    with socket.socket(socket.AF_UNIX) as client:
        try:
            client.connect(str(path))
            return True
        except OSError:
            return False


class QuilloHome:
    """The folders of one user of Quillo; every program started here shares its library."""

    def __init__(self, program, session, folder):
        self.program = program
        self.session = session
        self.folder = Path(folder)
        self.dirs = {}
        for key, name in (("HOME", "home"), ("XDG_DATA_HOME", "data"),
                          ("XDG_CONFIG_HOME", "config"), ("XDG_RUNTIME_DIR", "runtime"),
                          ("TMPDIR", "tmp")):
            path = self.folder / name
            path.mkdir(parents=True)
            self.dirs[key] = path
        self.dirs["XDG_RUNTIME_DIR"].chmod(0o700)

    @property
    def library_path(self):
        return self.dirs["XDG_DATA_HOME"] / "Quillo" / "library.json"

    def write_library(self, snippets, groups=()):
        self.library_path.parent.mkdir(parents=True, exist_ok=True)
        self.library_path.write_text(library.document(snippets, groups), encoding="utf-8")

    def read_library(self):
        return json.loads(self.library_path.read_text(encoding="utf-8"))

    def env(self):
        env = self.session.env()
        env.update({key: str(path) for key, path in self.dirs.items()})
        return env

    def start(self, processes, name="quillo", at_login=True, env=None):
        """Starts the desktop program; its output goes to files beside the folders. Started
        as at login (the default), it opens no window and leaves the focus where it is.
        `env` adds to or changes the environment."""
        return RunningQuillo(self, processes, name, ["--autostart"] if at_login else [],
                             env)

    def run(self, *arguments, timeout=60):
        """A second launch, or a command-line mode: waits for it and returns the result."""
        return subprocess.run([self.program, *arguments], env=self.env(),
                              capture_output=True, timeout=timeout, text=True)

    def takes_requests(self):
        """Whether a program listens on this library's socket, in the runtime folder."""
        return any(map(accepts, self.dirs["XDG_RUNTIME_DIR"].glob("quillo-*")))


class RunningQuillo:
    def __init__(self, home, processes, name, arguments, env=None):
        self.home = home
        self._processes = processes
        self.stdout_path = home.folder / f"{name}.stdout"
        self.stderr_path = home.folder / f"{name}.stderr"
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.process = processes.start([home.program, *arguments],
                                           env={**home.env(), **(env or {})},
                                           stdout=out, stderr=err)

    def stderr(self):
        return self.stderr_path.read_text(encoding="utf-8", errors="replace")

    def wait_ready(self):
        def ready():
            if self.process.poll() is not None:
                raise AssertionError(f"Quillo ended at start with status "
                                     f"{self.process.returncode}: {self.stderr()!r}")
            return self.home.takes_requests()

        wait_until(ready, 30, "Quillo to take requests", self.stderr)
        return self

    def running(self):
        return self.process.poll() is None

    def paste(self, name, *fields):
        arguments = ["paste", name]
        for field in fields:
            arguments += ["--field", field]
        return self.home.run(*arguments)

    def terminate(self, timeout=30):
        """Ends the program as the session does at log-out; returns its status."""
        self.process.terminate()
        try:
            return self.process.wait(timeout)
        finally:
            self._processes.stop(self.process)
