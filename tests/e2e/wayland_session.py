"""A private headless sway for the run: one user's Wayland session, with a keyboard of the
tests' own and the clipboard read through wl-clipboard, as any other program would."""

import glob
import json
import os
import shutil
import subprocess
from pathlib import Path

from waiting import wait_until

SWAY_CONFIG = """
output HEADLESS-1 resolution 1280x800
default_border none
focus_on_window_activation focus
exec sh -c 'echo "$DISPLAY" > {xdisplay}; touch {ready}'
"""


class SwaySession:
    """sway started with the user's environment, so that what its key bindings run (quillo
    --picker) reaches the Quillo the tests started, as in a person's session."""

    name = "sway"

    def __init__(self, processes, folder, keyboard_tool, user_env):
        self._processes = processes
        self.folder = Path(folder)
        self._keyboard_tool = keyboard_tool
        self._user_env = dict(user_env)
        self.runtime = Path(user_env["XDG_RUNTIME_DIR"])
        self.wayland_display = None
        self.swaysock = None
        self.xwayland_display = ""
        self.bus = None
        self._keyboard = None

    def start(self):
        bus = self.folder / "bus"
        self._processes.start(
            ["dbus-daemon", "--session", "--nofork", f"--address=unix:path={bus}"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(bus.exists, 30, "the session bus to start")
        self.bus = f"unix:path={bus}"

        ready = self.folder / "sway-ready"
        config = self.folder / "sway-config"
        xdisplay = self.folder / "xwayland-display"
        config.write_text(SWAY_CONFIG.format(ready=ready, xdisplay=xdisplay))
        env = {**self._base_env(), "WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1",
               "WLR_RENDERER": "pixman", "XDG_SESSION_TYPE": "wayland"}
        with open(self.folder / "sway.log", "wb") as log:
            self._processes.start(["sway", "-c", str(config)], env=env,
                                  stdout=log, stderr=subprocess.STDOUT)
        wait_until(ready.exists, 30, "sway to start", self.log)
        # XWayland's display, which sway hands to the programs it starts; empty without it.
        self.xwayland_display = xdisplay.read_text().strip()
        self.wayland_display = str(self.runtime / "wayland-1")
        self.swaysock = wait_until(lambda: glob.glob(str(self.runtime / "sway-ipc.*.sock")),
                                   30, "sway's command socket")[0]
        # One keyboard for the whole run: a new virtual keyboard's first key is lost.
        self._keyboard = self._processes.start(
            [str(self._keyboard_tool)], env=self.env(), stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, text=True)
        if self._keyboard.stdout.readline().strip() != "ready":
            raise RuntimeError("the tests' keyboard didn't start")

    def _base_env(self):
        env = {key: value for key, value in os.environ.items()
               if key not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY",
                              "SWAYSOCK")}
        env.update(self._user_env)
        env["DBUS_SESSION_BUS_ADDRESS"] = self.bus
        return env

    def env(self):
        env = self._base_env()
        env.update({"WAYLAND_DISPLAY": self.wayland_display, "XDG_SESSION_TYPE": "wayland",
                    "SWAYSOCK": self.swaysock, "QT_QPA_PLATFORM": "wayland"})
        return env

    def log(self):
        path = self.folder / "sway.log"
        return path.read_text(errors="replace")[-2000:] if path.exists() else ""

    def run(self, *command, timeout=15, **options):
        return subprocess.run(list(command), env=self.env(), capture_output=True,
                              timeout=timeout, check=True, **options).stdout

    # Windows, as sway's tree shows them.

    def windows(self):
        tree = json.loads(self.run("swaymsg", "-t", "get_tree", "-r"))
        found = []

        def walk(node):
            if node.get("type") in ("con", "floating_con") and node.get("pid"):
                found.append(node)
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)

        walk(tree)
        return found

    def focused(self):
        """The window with the keyboard: its app id and title; None when none has it."""
        for window in self.windows():
            if window.get("focused"):
                return window.get("app_id"), window.get("name")
        return None

    def activate(self, title):
        self.run("swaymsg", f'[title="^{title}$"] focus')
        wait_until(lambda: (self.focused() or (None, None))[1] == title, 15,
                   f"{title} to have the focus", self.focused)

    # Input, through the tests' own virtual keyboard.

    def _say(self, line):
        self._keyboard.stdin.write(line + "\n")
        self._keyboard.stdin.flush()
        answer = self._keyboard.stdout.readline().strip()
        if answer != "ok":
            raise AssertionError(f"the keyboard answered {answer!r} to {line!r}")

    def key(self, *chords):
        for chord in chords:
            self._say(f"key {chord}")

    def type(self, text):
        self._say(f"type {text}")

    def screenshot(self, path):
        self.run("grim", str(path), timeout=30)

    # The clipboard, through wl-clipboard (the compositor's data control).

    def clipboard_targets(self):
        try:
            return [line for line in self.run("wl-paste", "--list-types").decode().splitlines()
                    if line]
        except subprocess.CalledProcessError:
            return []

    def clipboard_read(self, mime):
        return self.run("wl-paste", "--no-newline", "--type", mime)

    def clipboard_text(self):
        try:
            return self.clipboard_read("text/plain").decode()
        except subprocess.CalledProcessError:
            return None

    def copy(self, data, mime="text/plain"):
        """Copies as another program would: wl-copy serves it from the background."""
        subprocess.run(["wl-copy", "--type", mime], input=data, env=self.env(),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True,
                       timeout=10)


def can_run_sway():
    return all(shutil.which(tool) for tool in ("sway", "swaymsg", "wl-paste", "wl-copy", "grim"))
