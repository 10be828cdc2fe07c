"""Waiting for a condition instead of sleeping: the machine is shared and slow at times."""

import time


def wait_until(condition, timeout, what, detail=None, interval=0.02):
    """Returns condition()'s first true value; fails after `timeout` seconds, saying what
    was awaited and, through `detail`, what was seen instead."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            seen = f"; seen instead: {detail()!r}" if detail else ""
            raise AssertionError(f"gave up after {timeout} s waiting for {what}{seen}")
        time.sleep(interval)
