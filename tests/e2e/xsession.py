"""A private X session for the run: Xvfb on a free display number, with openbox."""

import os
import shutil
import subprocess
import tempfile
from pathlib import Path

from processes import start_session_bus
from waiting import wait_until


class XSession:
    def __init__(self, processes, folder):
        self._processes = processes
        self.folder = Path(folder)
        self.display = None
        self.bus = None

    def start(self):
        read_end, write_end = os.pipe()
        try:
            self._processes.start(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24",
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            )
            os.close(write_end)
            write_end = None
            with os.fdopen(read_end, "rb", closefd=True) as pipe:
                read_end = None
                number = pipe.readline().strip()
        finally:
            for fd in (read_end, write_end):
                if fd is not None:
                    os.close(fd)
        if not number:
            raise RuntimeError("Xvfb didn't start")
        self.display = ":" + number.decode()
        # A session bus of the run's own: without one, D-Bus starts one for the display that
        # outlives the run and leaves its socket in /tmp.
        if shutil.which("dbus-daemon"):
            self.bus = start_session_bus(self._processes, self.folder)
        # openbox sets its check property before it manages windows; its start-up command
        # runs once it does.
        ready = self.folder / "openbox-ready"
        config = self.folder / "openbox-config"
        config.mkdir()
        self._processes.start(
            ["openbox", "--startup", f"touch {ready}"],
            env={**self.env(), "XDG_CONFIG_HOME": str(config)},
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        )
        wait_until(ready.exists, 30, "openbox to start")

    def env(self):
        """The harness's environment pointed at this display and nothing else."""
        env = {key: value for key, value in os.environ.items()
               if key not in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY")}
        env["DISPLAY"] = self.display
        if self.bus:
            env["DBUS_SESSION_BUS_ADDRESS"] = self.bus
        return env

    def x(self, *command, timeout=15):
        return subprocess.run(list(command), env=self.env(), capture_output=True,
                              timeout=timeout, check=True).stdout

    def active_window(self):
        out = self.x("xprop", "-root", "_NET_ACTIVE_WINDOW").decode()
        # "_NET_ACTIVE_WINDOW(WINDOW): window id # 0x400005"
        try:
            return int(out.rsplit("#", 1)[1].split(",")[0].strip(), 16)
        except (IndexError, ValueError):
            return None

    def activate(self, window):
        """Brings the window to the front; openbox doesn't always focus new windows."""
        self.x("xdotool", "windowactivate", "--sync", str(window))
        wait_until(lambda: self.active_window() == window, 15,
                   f"window {window:#x} to be active", self.active_window)

    def find_window(self, title):
        """The window of that title on screen, once it shows."""
        def found():
            return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                                  env=self.env(), capture_output=True, text=True).stdout.split()
        return int(wait_until(found, 30, f"{title} to show")[0])

    def window_info(self, window):
        """What xwininfo says of a window, by its labels: "Map State" gives "IsViewable" while
        the window is on screen, "Override Redirect State" "yes" for one the window manager
        leaves alone."""
        out = self.x("xwininfo", "-id", str(window)).decode()
        info = {}
        for line in out.splitlines():
            label, colon, value = line.strip().partition(":")
            if colon:
                info[label] = value.strip()
        return info

    # Input as the user gives it, through XTEST: it goes wherever the keyboard and the pointer
    # go, to the window in front or to whoever grabbed them.

    def key(self, *chords):
        """Presses each chord in turn, in xdotool's names: "ctrl+alt+space", "Return"."""
        self.x("xdotool", "key", *chords)

    def type(self, text):
        self.x("xdotool", "type", text)

    def click(self, x, y):
        self.x("xdotool", "mousemove", "--sync", str(x), str(y), "click", "1")

    def screenshot(self, path):
        self.x("import", "-window", "root", str(path), timeout=30)

    # The clipboard as any other program sees it, through xclip.

    def clipboard_read(self, target):
        return self.x("xclip", "-selection", "clipboard", "-t", target, "-o", timeout=10)

    def clipboard_text(self):
        """The text a paste would take from the clipboard, or None when nobody owns it."""
        try:
            return self.clipboard_read("UTF8_STRING").decode()
        except subprocess.CalledProcessError:
            return None


def session_folder():
    return Path(tempfile.mkdtemp(prefix="quillo-e2e-"))
