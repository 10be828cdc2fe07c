"""The tests' Qt text window to paste into."""

import itertools
import subprocess
from pathlib import Path

from waiting import wait_until

_serial = itertools.count(1)


class TargetWindow:
    """The tests' Qt window; what it receives is read back from its files."""

    def __init__(self, binary, session, processes, folder, *, clipboard=None, grab_shortcut=False,
                 app_id=None):
        self.session = session
        self._processes = processes
        number = next(_serial)
        self.title = f"Quillo target {number}"
        base = Path(folder) / f"target-{number}"
        self.text_path = base.with_suffix(".text")
        self.keys_path = base.with_suffix(".keys")
        self.ready_path = base.with_suffix(".ready")
        self.stderr_path = base.with_suffix(".stderr")
        self.focus_path = base.with_suffix(".focus")
        command = [str(binary), "--caption", self.title, "--text-file", str(self.text_path),
                   "--key-log", str(self.keys_path), "--ready-file", str(self.ready_path),
                   "--focus-log", str(self.focus_path)]
        env = session.env()
        if app_id:  # on X11, the instance name of its class
            command += ["--app-id", app_id]
            env["RESOURCE_NAME"] = app_id
        for mime, path in (clipboard or {}).items():
            command += ["--clipboard", f"{mime}={path}"]
        if grab_shortcut:
            command.append("--grab-shortcut")
        with open(self.stderr_path, "wb") as err:
            self.process = processes.start(command, env=env,
                                           stdout=subprocess.DEVNULL, stderr=err)
        self.window = None

    def wait_ready(self):
        def ready():
            if self.process.poll() is not None:
                raise AssertionError(f"the target window ended with status "
                                     f"{self.process.returncode}: {self.stderr()!r}")
            return self.ready_path.exists() and self.ready_path.read_text()

        self.window = int(wait_until(ready, 30, f"{self.title} to show"))
        return self

    def activate(self):
        self.session.activate(self.window)
        return self

    def stderr(self):
        return self.stderr_path.read_text(errors="replace") if self.stderr_path.exists() else ""

    def took_clipboard(self):
        """Whether its first key press has come, and it took the clipboard with it."""
        return "target: took the clipboard" in self.stderr()

    def text(self):
        return self.text_path.read_text(encoding="utf-8") if self.text_path.exists() else ""

    def keys(self):
        return self.keys_path.read_text().splitlines() if self.keys_path.exists() else []

    def focus_log(self):
        """"in" and "out" as the window gained and lost the focus."""
        return self.focus_path.read_text().split() if self.focus_path.exists() else []

    def has_focus(self):
        return self.focus_log()[-1:] == ["in"]

    def wait_for_text(self, expected, timeout=15):
        wait_until(lambda: self.text() == expected, timeout,
                   f"{self.title} to hold {expected!r}", self.text)

    def close(self):
        self._processes.stop(self.process)
