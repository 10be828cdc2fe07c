#!/usr/bin/env python3
"""End-to-end tests of Quillo in a Wayland session: the built program under a private
headless compositor (sway, KWin or mutter), pasting into real Wayland windows.

    run_wayland_e2e.py --compositor sway|kwin|mutter --program BUILT_QUILLO
                       --target BUILT_TARGET_WINDOW --keyboard BUILT_KEYBOARD_TOOL
                       [--artifacts DIR] [-k PATTERN]

sway refuses to run as root; started as root, the run goes on as an unprivileged user, as
a person's session would, in a folder of its own that is removed at the end.
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True

import context  # noqa: E402
from processes import Processes  # noqa: E402
from quillo_process import QuilloHome  # noqa: E402
from wayland_session import (KWinSession, MutterSession, SwaySession, can_run_kwin,  # noqa: E402
                             can_run_mutter, can_run_sway)

MODULES = {"sway": ["test_wayland"], "kwin": ["test_wayland"], "mutter": ["test_gnome"]}
CAN_RUN = {"sway": can_run_sway, "kwin": can_run_kwin, "mutter": can_run_mutter}
NOBODY = 65534


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--compositor", choices=tuple(MODULES), default="sway")
    parser.add_argument("--program", required=True, type=Path)
    parser.add_argument("--target", required=True, type=Path)
    parser.add_argument("--keyboard", required=True, type=Path)
    parser.add_argument("--artifacts", type=Path, default=Path.cwd() / "e2e-artifacts")
    parser.add_argument("--folder", type=Path, help=argparse.SUPPRESS)
    parser.add_argument("-k", dest="patterns", action="append",
                        help="run only tests whose name holds this")
    return parser.parse_args()


def run_as_nobody(arguments):
    """Runs this script again as an unprivileged user in a folder it owns, with copies of
    the tests and the programs there (the checkout may be closed to other users); returns
    its status. The screenshots are brought back."""
    folder = Path(tempfile.mkdtemp(prefix="quillo-wayland-e2e-"))
    try:
        tests = folder / "e2e"
        tests.mkdir()
        for script in Path(__file__).parent.glob("*.py"):
            shutil.copy(script, tests)
        programs = {}
        for option in ("program", "target", "keyboard"):
            original = getattr(arguments, option)
            programs[option] = folder / "bin" / original.name
            programs[option].parent.mkdir(exist_ok=True)
            shutil.copy(original, programs[option])
        # The quillo command hands on to the programs beside it.
        for helper in ("quillo-desktop.so", "quillo-commands"):
            shutil.copy(arguments.program.with_name(helper), folder / "bin")
        artifacts = folder / "artifacts"
        artifacts.mkdir()
        for path in [folder, *folder.rglob("*")]:
            os.chown(path, NOBODY, NOBODY)
        command = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups",
                   "--", sys.executable, str(tests / Path(__file__).name),
                   "--compositor", arguments.compositor,
                   *[f"--{option}={path}" for option, path in programs.items()],
                   "--artifacts", str(artifacts), "--folder", str(folder / "run")]
        for pattern in arguments.patterns or []:
            command += ["-k", pattern]
        status = subprocess.run(command, env={**os.environ, "HOME": str(folder)}).returncode
        arguments.artifacts.mkdir(parents=True, exist_ok=True)
        shutil.copytree(artifacts, arguments.artifacts, dirs_exist_ok=True)
        return status
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    arguments = parse_arguments()
    for path in (arguments.program, arguments.target, arguments.keyboard):
        if not path.is_file():
            print(f"run_wayland_e2e: {path} doesn't exist; build it first", file=sys.stderr)
            return 2
    if not CAN_RUN[arguments.compositor]():
        print(f"run_wayland_e2e: {arguments.compositor} or its tools are missing; skipped")
        return 0
    if os.geteuid() == 0:
        return run_as_nobody(arguments)
    signal.signal(signal.SIGTERM, context.interrupted)
    folder = arguments.folder or Path(tempfile.mkdtemp(prefix="quillo-wayland-e2e-"))
    folder.mkdir(parents=True, exist_ok=True)
    processes = Processes()
    try:
        # One person: sway and Quillo share the home and runtime folder, so that what sway's
        # key bindings run finds the running Quillo.
        home = QuilloHome(str(arguments.program.resolve()), None, folder / "user")
        user_env = {key: str(path) for key, path in home.dirs.items()}
        if arguments.compositor == "sway":
            session = SwaySession(processes, folder, arguments.keyboard.resolve(), user_env)
        elif arguments.compositor == "mutter":
            session = MutterSession(processes, folder, arguments.keyboard.resolve(), user_env)
        else:
            session = KWinSession(processes, folder, arguments.keyboard.resolve(), user_env,
                                  [arguments.program.resolve(), arguments.keyboard.resolve()])
        home.session = session
        session.start()
        context.run = context.Run(arguments.program.resolve(), arguments.target.resolve(),
                                  session, processes, folder, arguments.artifacts.resolve())
        context.run.home = home
        return context.run_tests(MODULES[arguments.compositor], arguments.patterns,
                                 lambda: f"\n{session.name}'s log:\n{session.log()}")
    finally:
        processes.stop_all()
        if not arguments.folder:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
