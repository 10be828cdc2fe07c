"""A private headless Wayland compositor for the run (sway, KWin or mutter): one user's
session, with a keyboard of the tests' own and the clipboard read through wl-clipboard, as
any other program would."""

import glob
import json
import os
import shutil
import subprocess
import sys
from pathlib import Path

from processes import start_session_bus
from waiting import wait_until

SWAY_CONFIG = """
output HEADLESS-1 resolution 1280x800
default_border none
focus_on_window_activation focus
exec sh -c 'echo "$DISPLAY" > {xdisplay}; touch {ready}'
"""


class WaylandSession:
    """What every compositor's session shares: the bus, the tests' keyboard and the
    clipboard. Subclasses start the compositor and tell which window has the focus."""

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
        self.bus = start_session_bus(self._processes, self.folder)
        self.start_compositor()
        # One keyboard for the whole run: a new one's first key is lost.
        self._keyboard = self._processes.start(
            self.keyboard_command(), env=self.env(), stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, text=True)
        if self._keyboard.stdout.readline().strip() != "ready":
            raise RuntimeError("the tests' keyboard didn't start")

    def keyboard_command(self):
        return [str(self._keyboard_tool)]

    def focused(self):
        """The window with the keyboard: its app id and title; None when none has it."""
        raise NotImplementedError

    def open_app_ids(self):
        """The app ids of the windows on screen."""
        raise NotImplementedError

    def activate(self, title):
        self.bring_forward(title)
        wait_until(lambda: (self.focused() or (None, None))[1] == title, 15,
                   f"{title} to have the focus", self.focused)

    def screenshot(self, path):
        """Does nothing where the compositor lends its screen to no program."""

    def log(self):
        path = self.folder / f"{self.name}.log"
        return path.read_text(errors="replace")[-3000:] if path.exists() else ""

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
                    "QT_QPA_PLATFORM": "wayland"})
        if self.swaysock:
            env["SWAYSOCK"] = self.swaysock
        return env

    def run(self, *command, timeout=15, **options):
        return subprocess.run(list(command), env=self.env(), capture_output=True,
                              timeout=timeout, check=True, **options).stdout

    # Input, through the tests' own keyboard.

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

    # The clipboard, through wl-clipboard (the compositor's data control).

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


class SwaySession(WaylandSession):
    """sway started with the user's environment, so that what its key bindings run (quillo
    --picker) reaches the Quillo the tests started, as in a person's session."""

    name = "sway"

    def start_compositor(self):
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

    def open_app_ids(self):
        return [window.get("app_id") for window in self.windows()
                if window.get("visible", True)]

    def focused(self):
        for window in self.windows():
            if window.get("focused"):
                return window.get("app_id"), window.get("name")
        return None

    def bring_forward(self, title):
        self.run("swaymsg", f'[title="^{title}$"] focus')

    def screenshot(self, path):
        self.run("grim", str(path), timeout=30)


def can_run_sway():
    return all(shutil.which(tool) for tool in ("sway", "swaymsg", "wl-paste", "wl-copy", "grim"))


# KWin tells the tests which window it activates through a script of its own, in its log.
KWIN_WATCH = """
workspace.clientActivated.connect(function (client) {
    print("QUILLO-ACTIVE\\t" + (client ? client.resourceClass + "\\t" + client.caption : ""));
});
workspace.clientAdded.connect(function (client) {
    print("QUILLO-SHOWN\\t" + client.resourceClass);
    var resourceClass = client.resourceClass;
    client.windowClosed.connect(function () { print("QUILLO-GONE\\t" + resourceClass); });
});
"""
KWIN_ACTIVATE = """
var clients = workspace.clientList();
for (var i = 0; i < clients.length; ++i)
    if (clients[i].caption == %s)
        workspace.activeClient = clients[i];
"""


class KWinSession(WaylandSession):
    """KWin without a screen, in the user's environment. It lends its keyboard (fake input)
    only to programs whose desktop entry asks for it and names them by their absolute path:
    Quillo and the tests' keyboard get such entries before it starts."""

    name = "kwin"

    def __init__(self, processes, folder, keyboard_tool, user_env, granted_programs):
        super().__init__(processes, folder, keyboard_tool, user_env)
        self._granted = [str(program) for program in granted_programs]
        self._scripts = 0

    def start_compositor(self):
        applications = self.folder / "kwin-data" / "applications"
        applications.mkdir(parents=True)
        for number, program in enumerate(self._granted):
            (applications / f"granted-{number}.desktop").write_text(
                "[Desktop Entry]\nType=Application\nName=Granted\n"
                f"Exec={program}\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n")
        # A copy of the binary: the packaged one carries a file capability that a container
        # may refuse to run. It must keep its name.
        binary = self.folder / "kwin-bin" / "kwin_wayland"
        binary.parent.mkdir()
        shutil.copy(shutil.which("kwin_wayland"), binary)
        env = {**self._base_env(),
               "XDG_DATA_DIRS": f"{applications.parent}:/usr/local/share:/usr/share",
               "QT_LOGGING_RULES": "js=true;kwin_scripting=true"}
        with open(self.folder / "kwin.log", "wb") as log:
            self._processes.start([str(binary), "--virtual", "--no-lockscreen", "--socket",
                                   "wayland-quillo"], env=env, stdout=log,
                                  stderr=subprocess.STDOUT)
        socket = self.runtime / "wayland-quillo"
        wait_until(socket.exists, 30, "KWin's socket", self.log)
        self.wayland_display = str(socket)
        # Calling the shortcut service before KWin owns it would start another, which fails.
        for name in ("org.kde.kglobalaccel", "org.kde.KWin"):
            wait_until(lambda: bus_has(self.bus, name), 30, f"KWin to own {name}", self.log)
        self._run_script(KWIN_WATCH)

    def _run_script(self, text):
        self._scripts += 1
        path = self.folder / f"kwin-script-{self._scripts}.js"
        path.write_text(text)
        errors = []

        def call(method, *arguments):
            result = subprocess.run(["dbus-send", f"--bus={self.bus}", "--print-reply",
                                     "--dest=org.kde.KWin", "/Scripting",
                                     f"org.kde.kwin.Scripting.{method}", *arguments],
                                    capture_output=True, text=True, timeout=10)
            errors.append(result.stderr.strip())
            return result.returncode == 0

        # KWin makes its scripting object a moment after it takes its name.
        wait_until(lambda: call("loadScript", f"string:{path}", f"string:quillo-{self._scripts}"),
                   30, "KWin to take a script", lambda: errors[-1])
        if not call("start"):
            raise RuntimeError(f"KWin didn't run its script: {errors[-1]}")

    def focused(self):
        lines = [line for line in self.log_lines() if "QUILLO-ACTIVE" in line]
        if not lines:
            return None
        fields = lines[-1].split("QUILLO-ACTIVE", 1)[1].strip("\t\n ").split("\t")
        return (fields[0], fields[1]) if len(fields) == 2 else None

    def open_app_ids(self):
        shown = []
        for line in self.log_lines():
            for event in ("QUILLO-SHOWN", "QUILLO-GONE"):
                if event in line:
                    app_id = line.split(event, 1)[1].strip()
                    if event == "QUILLO-SHOWN":
                        shown.append(app_id)
                    elif app_id in shown:
                        shown.remove(app_id)
        return shown

    def log_lines(self):
        path = self.folder / "kwin.log"
        return path.read_text(errors="replace").splitlines() if path.exists() else []

    def bring_forward(self, title):
        self._run_script(KWIN_ACTIVATE % json.dumps(title))


def can_run_kwin():
    return all(shutil.which(tool) for tool in ("kwin_wayland", "dbus-send", "wl-paste",
                                               "wl-copy"))


class MutterSession(WaylandSession):
    """GNOME's compositor without a screen or a shell. It offers programs neither a keyboard
    nor the clipboard without the focus; the tests type through its own remote desktop API,
    and the portal's remote desktop is played by the same helper, as GNOME's portal serves it
    once the user allowed it. Nothing tells which window has the focus: the tests read it
    from their target window."""

    name = "mutter"

    def keyboard_command(self):
        return [debian_python(), str(Path(__file__).parent / "mutter_keys.py")]

    def start_compositor(self):
        env = {**self._base_env(), "XDG_SESSION_TYPE": "wayland", "GSETTINGS_BACKEND": "memory"}
        with open(self.folder / "mutter.log", "wb") as log:
            self._processes.start(["mutter", "--headless", "--wayland", "--no-x11",
                                   "--virtual-monitor", "1280x800", "--wayland-display",
                                   "wayland-quillo"], env=env, stdout=log,
                                  stderr=subprocess.STDOUT)
        socket = self.runtime / "wayland-quillo"
        wait_until(socket.exists, 30, "mutter's socket", self.log)
        self.wayland_display = str(socket)
        wait_until(lambda: bus_has(self.bus, "org.gnome.Mutter.RemoteDesktop"), 30,
                   "mutter's remote desktop service", self.log)

    def focused(self):
        return None

    def open_app_ids(self):
        return []


def bus_has(bus, name):
    out = subprocess.run(
        ["dbus-send", f"--bus={bus}", "--print-reply", "--dest=org.freedesktop.DBus",
         "/", "org.freedesktop.DBus.NameHasOwner", f"string:{name}"],
        capture_output=True, text=True, timeout=10).stdout
    return "boolean true" in out


def debian_python():
    """The system's Python, which has Debian's D-Bus and GLib modules (python3-dbus,
    python3-gi) when the one running the tests is another."""
    return "/usr/bin/python3" if Path("/usr/bin/python3").exists() else sys.executable


def can_run_mutter():
    has_modules = subprocess.run([debian_python(), "-c", "import dbus, gi"],
                                 capture_output=True).returncode == 0
    return has_modules and all(shutil.which(tool) for tool in ("mutter", "dbus-send", "wl-paste", "wl-copy"))
