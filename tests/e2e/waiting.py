"""Waiting for a condition instead of sleeping: the machine is shared and slow at times."""

import os
import time

# How much longer a slow build of the program (under the sanitizers) may take for anything.
SLOWNESS = float(os.environ.get("QUILLO_E2E_SLOWNESS", "1"))


def wait_until(condition, timeout, what, detail=None, interval=0.02):
    """Returns condition()'s first true value; fails after `timeout` seconds (times the
    build's slowness), saying what was awaited and, through `detail`, what was seen
    instead."""
    timeout *= SLOWNESS
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            seen = f"; seen instead: {detail()!r}" if detail else ""
            raise AssertionError(f"gave up after {timeout} s waiting for {what}{seen}")
        time.sleep(interval)


def holds_for(condition, seconds, what, detail=None, interval=0.02):
    """Checks that condition() stays true for `seconds` (times the build's slowness, as what
    must not happen would come late too), failing as soon as it is not: for what must not
    happen, such as a paste after the picker closed without a choice."""
    deadline = time.monotonic() + seconds * SLOWNESS
    while True:
        if not condition():
            seen = f"; seen instead: {detail()!r}" if detail else ""
            raise AssertionError(f"{what} stopped holding{seen}")
        if time.monotonic() > deadline:
            return
        time.sleep(interval)
