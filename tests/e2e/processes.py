"""Child processes that never outlive the run: each gets its own process group (so it can
be ended with its children) and is told to end when the harness dies, even by SIGKILL."""

import ctypes
import os
import signal
import subprocess

from waiting import wait_until

_PR_SET_PDEATHSIG = 1
_libc = ctypes.CDLL(None, use_errno=True)


def _end_with_parent():
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)


class Processes:
    def __init__(self):
        self._started = []

    def start(self, command, **options):
        process = subprocess.Popen(
            command, start_new_session=True, preexec_fn=_end_with_parent, **options
        )
        self._started.append(process)
        return process

    def stop(self, process, timeout=10):
        """Asks the process (and its group) to end, then forces it; returns its status."""
        if process.poll() is None:
            _signal_group(process, signal.SIGTERM)
            try:
                process.wait(timeout)
            except subprocess.TimeoutExpired:
                _signal_group(process, signal.SIGKILL)
                process.wait()
        if process in self._started:
            self._started.remove(process)
        return process.returncode

    def stop_all(self):
        for process in reversed(list(self._started)):
            self.stop(process)


def start_session_bus(processes, folder):
    """A session bus of the run's own, in `folder`; its address."""
    bus = folder / "bus"
    processes.start(["dbus-daemon", "--session", "--nofork", f"--address=unix:path={bus}"],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_until(bus.exists, 30, "the session bus to start")
    return f"unix:path={bus}"


def _signal_group(process, signum):
    try:
        os.killpg(process.pid, signum)
    except ProcessLookupError:
        pass
