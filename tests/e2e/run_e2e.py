#!/usr/bin/env python3
"""End-to-end tests of Quillo: the built program on a private Xvfb with openbox, pasting
into real windows.

    run_e2e.py --program BUILT_QUILLO --target BUILT_TARGET_WINDOW [--artifacts DIR] [-k PATTERN]

Exits non-zero when any test fails, after saying which and why. Everything started is
ended and every temporary folder removed, also on failure or interruption.
"""

import argparse
import shutil
import signal
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # keeps the source folder clean

import context  # noqa: E402
from processes import Processes  # noqa: E402
from xsession import XSession, session_folder  # noqa: E402

MODULES = [
    "test_paste",
    "test_picker",
    "test_library_window",
    "test_settings",
    "test_shortcut_conflict",
    "test_second_launch",
    "test_instance_channel",
    "test_outside_changes",
    "test_quitting",
]


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, type=Path)
    parser.add_argument("--target", required=True, type=Path)
    parser.add_argument("--artifacts", type=Path, default=Path.cwd() / "e2e-artifacts",
                        help="where screenshots are kept (default: ./e2e-artifacts)")
    parser.add_argument("--without", dest="left_out", action="append", default=[],
                        help="leave out a test module (such as test_picker)")
    parser.add_argument("-k", dest="patterns", action="append",
                        help="run only tests whose name holds this")
    return parser.parse_args()


# Removes the run's folder once the harness dies, should it be killed outright (as ctest does
# at its time limit); the programs ending with it may still write there for a while.
REAPER = """
import shutil, signal, sys, time
signal.signal(signal.SIGTERM, lambda *_: None)
signal.pause()
for _ in range(20):
    shutil.rmtree(sys.argv[1], ignore_errors=True)
    time.sleep(0.5)
"""


def main():
    arguments = parse_arguments()
    for path in (arguments.program, arguments.target):
        if not path.is_file():
            print(f"run_e2e: {path} doesn't exist; build it first", file=sys.stderr)
            return 2
    arguments.artifacts.mkdir(parents=True, exist_ok=True)
    signal.signal(signal.SIGTERM, context.interrupted)

    folder = session_folder()
    processes = Processes()
    reaper = processes.start([sys.executable, "-c", REAPER, str(folder)])
    try:
        session = XSession(processes, folder)
        session.start()
        context.run = context.Run(arguments.program.resolve(), arguments.target.resolve(),
                                  session, processes, folder, arguments.artifacts.resolve())
        status = context.run_tests(
            [module for module in MODULES if module not in arguments.left_out],
            arguments.patterns)
        print(f"Screenshots in {arguments.artifacts}")
        return status
    finally:
        reaper.kill()  # the harness is alive to clear up itself
        processes.stop_all()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
