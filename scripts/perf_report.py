#!/usr/bin/env python3
"""The parts of the performance report that are not Google Benchmark's own.

    perf_report.py memory PROGRAM GENERATOR OUT.json
        Starts the real program as at login, idle in the tray of the current X display,
        with a generated library of 10k snippets in private folders, and writes what
        /proc says of its memory once it has settled.

    perf_report.py commands PROGRAM GENERATOR OUT.json
        Times whole processes of the command line on that library, interleaved with fzf
        filtering the same snippets and fzf --version, beside the running program.

    perf_report.py startup PROGRAM GENERATOR OUT.json
        Times the program from exec until it marks its tray icon shown and its shortcut
        registered, started as at login with that library.

    perf_report.py copyq GENERATOR OUT.json
        CopyQ idle in the tray of the current X display with the library's texts as
        items, its processes' memory summed.

    perf_report.py report RESULTS_FOLDER OUT.md [--seconds N] [--build-seconds N]
        Turns the benchmarks' JSON files and the figures above, in RESULTS_FOLDER, into
        a short Markdown report.
"""

import argparse
import datetime
import json
import os
import platform
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from html.parser import HTMLParser
from pathlib import Path

# The end-to-end tests' knowledge of how the program comes up.
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))
from quillo_process import accepts  # noqa: E402

# The generator's seed the benchmarks use, so the program sees the library they measure.
LIBRARY_SEED = "20240601"
MEMORY_LIBRARY_SIZE = 10_000
# How long the program keeps the picker's search texts after the picker closes.
PICKER_TEXTS_KEPT_SECONDS = 60
SIZES = (1_000, 10_000, 100_000)
# Each whole-process figure is the median of this many runs.
RUNS = 7
# Idle in the tray with the 10k library, resident.
MEMORY_TARGET_MB = 45


# ---------------------------------------------------------------------------------------
# Memory of the running program


def private_folders(top):
    """The folders the program reads from its environment, all inside `top`."""
    folders = {}
    for key, name in (("HOME", "home"), ("XDG_DATA_HOME", "data"),
                      ("XDG_CONFIG_HOME", "config"), ("XDG_RUNTIME_DIR", "runtime"),
                      ("TMPDIR", "tmp")):
        path = top / name
        path.mkdir(parents=True)
        folders[key] = path
    folders["XDG_RUNTIME_DIR"].chmod(0o700)
    return folders


def proc_values(path, keys):
    """The lines of a /proc file named by `keys`, in kB (of 1024 bytes)."""
    values = {}
    with open(path, encoding="ascii") as lines:
        for line in lines:
            key, _, rest = line.partition(":")
            if key in keys:
                values[key] = int(rest.split()[0])
    return values


def status_of(pid):
    """The memory lines of /proc/PID/status."""
    return proc_values(f"/proc/{pid}/status", ("VmRSS", "RssAnon", "RssFile", "RssShmem", "VmHWM"))


def children_of(pid):
    """Every process started by `pid`, at any depth."""
    found = []
    pending = [pid]
    while pending:
        parent = pending.pop()
        for task in Path(f"/proc/{parent}/task").glob("*"):
            try:
                kids = [int(k) for k in (task / "children").read_text().split()]
            except OSError:
                continue
            found += kids
            pending += kids
    return found


def wait_until(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise RuntimeError(f"gave up waiting for {what}")
        time.sleep(0.1)


def rollup_of(pid):
    """The totals of /proc/PID/smaps_rollup: the resident set (Rss) and the proportional set
    (Pss, each page shared with other processes counted as its share)."""
    return proc_values(f"/proc/{pid}/smaps_rollup",
                       ("Rss", "Pss", "Pss_Anon", "Pss_File", "Pss_Shmem"))


def summed_memory(pids):
    """The resident and proportional sets of the processes still there, each summed."""
    rss = pss = counted = 0
    for pid in pids:
        try:
            rollup = rollup_of(pid)
        except OSError:
            continue  # it ended meanwhile
        rss += rollup.get("Rss", 0)
        pss += rollup.get("Pss", 0)
        counted += 1
    return {"processes": counted, "Rss": rss, "Pss": pss}


def desktop_env(folders):
    """This environment on the X display, with the program's folders all private."""
    env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY",
                                                             "QT_QPA_PLATFORM")}
    env.update({key: str(path) for key, path in folders.items()})
    return env


def generate_library(generator, path, size=MEMORY_LIBRARY_SIZE):
    subprocess.run([generator, str(size), str(path), LIBRARY_SEED], check=True,
                   stdout=subprocess.DEVNULL)


def library_path(folders):
    return folders["XDG_DATA_HOME"] / "Quillo" / "library.json"


def start_tray(env, started):
    """An XEmbed tray for the icons to sit in; whether there is one."""
    tray = shutil.which("trayer")
    if not tray:
        return False
    started.append(subprocess.Popen(
        [tray, "--edge", "top", "--align", "right", "--widthtype", "request",
         "--height", "24", "--SetDockType", "true"],
        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    wait_until(lambda: subprocess.run(
        ["xdotool", "search", "--classname", "trayer"], env=env,
        capture_output=True).returncode == 0, 30, "the tray")
    return True


def start_quillo(program, env, folders, top, started):
    """The program as at login, once it takes requests; the process and its stderr file."""
    stderr_path = top / "quillo.stderr"
    with open(stderr_path, "wb") as err:
        quillo = subprocess.Popen([program, "--autostart"], env=env,
                                  stdout=subprocess.DEVNULL, stderr=err)
    started.append(quillo)

    def ready():
        if quillo.poll() is not None:
            raise RuntimeError(f"quillo ended at start with status {quillo.returncode}: "
                               f"{stderr_path.read_text(errors='replace')}")
        return any(map(accepts, folders["XDG_RUNTIME_DIR"].glob("quillo-*")))

    wait_until(ready, 30, "quillo to take requests")
    return quillo, stderr_path


def stop(started):
    """Ends what was started, the last first."""
    for process in reversed(started):
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(15)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def settle(resident_kb, start):
    """Waits until settled: at least 3 s after `start`, and the resident size moved by less
    than 256 kB over the last 2 s (sampled every half second); 30 s at most."""
    samples = []
    while True:
        samples.append(resident_kb())
        elapsed = time.monotonic() - start
        recent = samples[-5:]
        if elapsed >= 3 and len(recent) == 5 and max(recent) - min(recent) < 256:
            return
        if elapsed > 30:
            return
        time.sleep(0.5)


def measure_memory(program, generator, out):
    top = Path(tempfile.mkdtemp(prefix="quillo-memory-"))
    started = []
    try:
        folders = private_folders(top)
        env = desktop_env(folders)
        generate_library(generator, library_path(folders))
        tray = start_tray(env, started)
        start = time.monotonic()
        quillo, stderr_path = start_quillo(program, env, folders, top, started)
        listed = subprocess.run([program, "list"], env=env, capture_output=True, text=True,
                                timeout=60, check=True).stdout.count("\n")
        if listed != MEMORY_LIBRARY_SIZE:
            raise RuntimeError(f"the library holds {listed} snippets, not "
                               f"{MEMORY_LIBRARY_SIZE}")

        settle(lambda: status_of(quillo.pid)["VmRSS"], start)
        memory = status_of(quillo.pid)
        rollup = rollup_of(quillo.pid)
        children = children_of(quillo.pid)
        children_rss = 0
        for child in children:
            try:
                children_rss += status_of(child).get("VmRSS", 0)
            except OSError:
                pass  # it ended meanwhile
        # Then used once: the picker opened with its shortcut, a search typed, closed. Read
        # just after, and once the picker's search texts are let go, a minute after.
        used = {}
        if tray:
            for keys in (["key", "ctrl+alt+space"], ["type", "--delay", "80", "re"],
                         ["key", "Escape"]):
                subprocess.run(["xdotool", *keys], env=env, check=True, timeout=30)
                time.sleep(0.5)
            closed = time.monotonic()
            time.sleep(2)
            used["after_use"] = {"kB": status_of(quillo.pid), "rollup_kB": rollup_of(quillo.pid)}
            time.sleep(max(0.0, closed + PICKER_TEXTS_KEPT_SECONDS + 2 - time.monotonic()))
            used["minute_after_use"] = {"kB": status_of(quillo.pid),
                                        "rollup_kB": rollup_of(quillo.pid)}
        stderr = stderr_path.read_text(errors="replace")
        result = {
            **used,
            "snippets": MEMORY_LIBRARY_SIZE,
            "listed": listed,
            "seconds_after_start": round(time.monotonic() - start, 1),
            "tray": tray and "shows no tray icons" not in stderr,
            "kB": memory,
            "rollup_kB": rollup,
            "children": len(children),
            "children_VmRSS_kB": children_rss,
            "children_Pss_kB": summed_memory(children)["Pss"],
            "stderr": stderr.strip(),
        }
    finally:
        stop(started)
        shutil.rmtree(top, ignore_errors=True)
    Path(out).write_text(json.dumps(result, indent=2) + "\n", encoding="utf-8")


# ---------------------------------------------------------------------------------------
# Whole commands, beside fzf


class PlainText(HTMLParser):
    """A rich snippet's text as it reads: tags gone, entities read, a space between
    blocks."""

    BLOCKS = {"div", "p", "br", "li", "tr", "h1", "h2", "h3", "h4", "h5", "h6"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts = []

    def handle_starttag(self, tag, attrs):
        if tag in self.BLOCKS:
            self.parts.append(" ")

    def handle_data(self, data):
        self.parts.append(data)


def plain_text(snippet):
    if snippet["format"] == "plain":
        return snippet["text"]
    reader = PlainText()
    reader.feed(snippet["text"])
    reader.close()
    return "".join(reader.parts)


def one_line(text):
    return " ".join(text.split())


def snippets_of(library):
    return json.loads(Path(library).read_text(encoding="utf-8"))["snippets"]


def tool_version(command, package):
    """What the tool says of its version, and its Debian package's."""
    said = subprocess.run(command, capture_output=True, text=True).stdout.strip()
    packaged = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package],
                              capture_output=True, text=True).stdout.strip()
    return {"says": said.splitlines()[0] if said else "", "package": packaged}


def run_whole(argv, env, stdin=os.devnull):
    """Seconds from just before the process is started until it has ended, its output
    thrown away; and its exit status."""
    actions = [(os.POSIX_SPAWN_OPEN, 0, stdin, os.O_RDONLY, 0),
               (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
               (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)]
    start = time.monotonic_ns()
    pid = os.posix_spawn(argv[0], argv, env, file_actions=actions)
    watchdog = threading.Timer(120, os.kill, (pid, signal.SIGKILL))
    watchdog.start()
    _, status = os.waitpid(pid, 0)
    took = time.monotonic_ns() - start
    watchdog.cancel()
    return took / 1e9, os.waitstatus_to_exitcode(status)


def measure_commands(program, generator, out):
    """Whole processes, interleaved: a round runs every command once, each round in another
    order; a figure is the median of the rounds."""
    program = str(Path(program).resolve())
    fzf = shutil.which("fzf")
    if not fzf:
        raise RuntimeError("fzf is missing")
    top = Path(tempfile.mkdtemp(prefix="quillo-commands-"))
    started = []
    try:
        folders = private_folders(top)
        env = desktop_env(folders)
        env.pop("FZF_DEFAULT_OPTS", None)
        env.pop("FZF_DEFAULT_COMMAND", None)
        library = library_path(folders)
        generate_library(generator, library)
        snippets = snippets_of(library)

        # What fzf searches: one line per snippet, its name and its whole text as the library
        # keeps it (a rich snippet's with its tags), as a script over the library would.
        lines = top / "snippets.txt"
        lines.write_text("".join(one_line(s["name"] + " " + s["text"]) + "\n"
                                 for s in snippets), encoding="utf-8")
        # A snippet with fields, named as a person would, its name unlike any before it.
        names = set()
        chosen = None
        for snippet in snippets:
            if ("{{field:" in snippet["text"] and snippet["format"] == "rich"
                    and snippet["name"] not in names and not snippet["name"].startswith("-")):
                chosen = snippet
                break
            names.add(snippet["name"])
        if chosen is None:
            raise RuntimeError("no snippet of the library has fields")
        name = chosen["name"]

        tray = start_tray(env, started)
        start_quillo(program, env, folders, top, started)

        query = "thanks"
        commands = {
            "search": [program, "search", query],
            "fzf_filter": [fzf, "--filter", query],
            "list": [program, "list"],
            "fields": [program, "fields", name],
            "render": [program, "render", name],
            "version": [program, "--version"],
            "help": [program, "--help"],
            "paste": [program, "paste", name],
            "picker": [program, "--picker"],
            "fzf_version": [fzf, "--version"],
        }
        stdin = {"fzf_filter": str(lines)}
        # The running program does something after these; it is given time to finish.
        handovers = {"paste", "picker"}

        # Once each first, checked and counted; it warms the page cache for all.
        found = {}
        for key, argv in commands.items():
            with open(stdin.get(key, os.devnull), "rb") as source:
                done = subprocess.run(argv, env=env, stdin=source, capture_output=True,
                                      timeout=120)
            if done.returncode != 0:
                raise RuntimeError(f"{' '.join(argv)} ended with status {done.returncode}: "
                                   f"{done.stderr.decode(errors='replace')}")
            found[key] = done.stdout.count(b"\n")
            if key in handovers:
                time.sleep(0.5)
        if found["search"] == 0 or found["fzf_filter"] == 0:
            raise RuntimeError(f"nothing found for {query!r}")
        if found["list"] != len(snippets):
            raise RuntimeError(f"quillo list gave {found['list']} lines, not {len(snippets)}")
        if found["fields"] == 0:
            raise RuntimeError(f"quillo fields {name!r} gave no fields")
        # The picker is open now; it closes with the next.
        subprocess.run(commands["picker"], env=env, capture_output=True, timeout=60,
                       check=True)
        time.sleep(0.5)

        times = {key: [] for key in commands}
        times["picker_closing"] = []
        keys = list(commands)
        for round_ in range(RUNS):
            turn = round_ % len(keys)
            for key in keys[turn:] + keys[:turn]:
                took, status = run_whole(commands[key], env, stdin.get(key, os.devnull))
                if status != 0:
                    raise RuntimeError(f"{' '.join(commands[key])} ended with status {status}")
                if key == "picker":
                    # Opening is the sample; the same command closes it again.
                    time.sleep(0.5)
                    times["picker_closing"].append(run_whole(commands[key], env)[0])
                times[key].append(took)
                time.sleep(0.5 if key in handovers else 0.05)
        result = {
            "snippets": len(snippets),
            "runs": RUNS,
            "query": query,
            "snippet_with_fields": name,
            "found": found,
            "fzf_input_bytes": lines.stat().st_size,
            "fzf_input_lines": len(snippets),
            "fzf": tool_version([fzf, "--version"], "fzf"),
            "tray": tray,
            "seconds": times,
            "median_seconds": {key: statistics.median(values) for key, values in times.items()},
        }
    finally:
        stop(started)
        shutil.rmtree(top, ignore_errors=True)
    Path(out).write_text(json.dumps(result, indent=2) + "\n", encoding="utf-8")


# ---------------------------------------------------------------------------------------
# Start-up


def read_mark(path):
    """The CLOCK_MONOTONIC nanoseconds the program wrote, once it has written a whole line."""
    try:
        text = path.read_text(encoding="ascii")
    except (OSError, UnicodeDecodeError):
        return None
    if not text.endswith("\n"):
        return None
    try:
        return int(text.strip())
    except ValueError:
        return None


def measure_startup(program, generator, out):
    """`quillo --autostart` started RUNS times, each with fresh private folders and the same
    library: from just before it is started until it says (in the file QUILLO_STARTUP_MARK
    names) that its tray icon is shown and its shortcut registered."""
    top = Path(tempfile.mkdtemp(prefix="quillo-startup-"))
    started = []
    samples = []
    requests = []
    notes = []
    try:
        library = top / "library.json"
        generate_library(generator, library)
        tray = start_tray({k: v for k, v in os.environ.items() if k != "WAYLAND_DISPLAY"},
                          started)
        marks = True
        for run in range(RUNS):
            folders = private_folders(top / f"start-{run}")
            target = library_path(folders)
            target.parent.mkdir(parents=True)
            shutil.copyfile(library, target)
            mark = top / f"start-{run}" / "startup-mark"
            env = desktop_env(folders)
            env["QUILLO_STARTUP_MARK"] = str(mark)
            stderr_path = top / f"start-{run}" / "quillo.stderr"
            with open(stderr_path, "wb") as err:
                begin = time.monotonic_ns()
                quillo = subprocess.Popen([program, "--autostart"], env=env,
                                          stdout=subprocess.DEVNULL, stderr=err)
            try:
                # With no mark in the first start, the program writes none: it is then timed
                # until it takes requests, as polled, for the report to say at least that.
                took_requests = None
                deadline = time.monotonic() + 30
                while time.monotonic() < deadline:
                    if quillo.poll() is not None:
                        raise RuntimeError(
                            f"quillo ended at start with status {quillo.returncode}: "
                            f"{stderr_path.read_text(errors='replace')}")
                    if marks:
                        written = read_mark(mark)
                        if written is not None:
                            samples.append((written - begin) / 1e9)
                            break
                    if took_requests is None and (run == 0 or not marks) and any(
                            map(accepts, folders["XDG_RUNTIME_DIR"].glob("quillo-*"))):
                        took_requests = (time.monotonic_ns() - begin) / 1e9
                        requests.append(took_requests)
                        if not marks:
                            break
                    if took_requests is not None and marks and \
                            time.monotonic_ns() - begin > took_requests * 1e9 + 5e9:
                        marks = False
                        notes.append("the program wrote no start-up mark")
                        break
                    time.sleep(0.005)
                else:
                    raise RuntimeError("quillo neither marked its start nor took requests")
                stderr = stderr_path.read_text(errors="replace")
                if "shows no tray icons" in stderr:
                    tray = False
            finally:
                quillo.send_signal(signal.SIGTERM)
                try:
                    quillo.wait(15)
                except subprocess.TimeoutExpired:
                    quillo.kill()
                    quillo.wait()
            time.sleep(1)
        result = {
            "snippets": MEMORY_LIBRARY_SIZE,
            "runs": RUNS,
            "tray": tray,
            "seconds": samples,
            "median_seconds": statistics.median(samples) if samples else None,
            "took_requests_seconds": requests,
            "notes": notes,
        }
    finally:
        stop(started)
        shutil.rmtree(top, ignore_errors=True)
    Path(out).write_text(json.dumps(result, indent=2) + "\n", encoding="utf-8")


# ---------------------------------------------------------------------------------------
# CopyQ idle with as many items


def copyq_processes(server, home):
    """CopyQ's server, what it started, and any other CopyQ process of this home."""
    pids = {server.pid, *children_of(server.pid)}
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if Path(os.readlink(entry / "exe")).name != "copyq":
                continue
            environ = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if f"HOME={home}".encode() in environ:
            pids.add(int(entry.name))
    return sorted(pids)


def measure_copyq(generator, out):
    """CopyQ idle in the same kind of tray, holding the texts of the 10k library as items,
    after a restart, once settled: all its processes' memory summed."""
    copyq = shutil.which("copyq")
    if not copyq:
        raise RuntimeError("copyq is missing")
    top = Path(tempfile.mkdtemp(prefix="quillo-copyq-"))
    started = []
    try:
        folders = private_folders(top)
        env = desktop_env(folders)
        library = top / "library.json"
        generate_library(generator, library)
        texts = [plain_text(s) for s in snippets_of(library)]
        tray = start_tray(env, started)

        def cli(*arguments, timeout=120):
            return subprocess.run([copyq, *arguments], env=env, capture_output=True,
                                  text=True, timeout=timeout, check=True).stdout

        def start_server():
            with open(top / "copyq.stderr", "ab") as err:
                server = subprocess.Popen([copyq], env=env, stdout=subprocess.DEVNULL,
                                          stderr=err)
            started.append(server)

            def ready():
                if server.poll() is not None:
                    raise RuntimeError(f"copyq ended at start with status {server.returncode}")
                return subprocess.run([copyq, "count"], env=env, capture_output=True,
                                      timeout=30).returncode == 0
            wait_until(ready, 30, "CopyQ to take commands")
            return server

        server = start_server()
        cli("config", "maxitems", str(len(texts)))
        # In batches of about 256 kB of arguments; `add` takes each as an item.
        batch, size = [], 0
        for text in texts:
            batch.append(text)
            size += len(text.encode()) + 1
            if size > 256_000:
                cli("add", "--", *batch)
                batch, size = [], 0
        if batch:
            cli("add", "--", *batch)
        added = int(cli("count").strip())

        # Again, as after a log-in: it reads its items back from its files.
        cli("exit")
        server.wait(60)
        start = time.monotonic()
        server = start_server()
        count = int(cli("count").strip())
        if count != len(texts):
            raise RuntimeError(f"CopyQ holds {count} items, not {len(texts)}")
        settle(lambda: summed_memory(copyq_processes(server, folders["HOME"]))["Rss"], start)
        pids = copyq_processes(server, folders["HOME"])
        memory = summed_memory(pids)
        result = {
            "items": count,
            "added": added,
            "items_bytes": sum(len(t.encode()) for t in texts),
            "seconds_after_start": round(time.monotonic() - start, 1),
            "tray": tray,
            "copyq": tool_version([copyq, "--version"], "copyq"),
            "processes": [" ".join(Path(f"/proc/{pid}/cmdline").read_text()
                                   .split("\0")).strip() for pid in pids],
            "kB": memory,
            "stderr": (top / "copyq.stderr").read_text(errors="replace").strip()[-2000:],
        }
    finally:
        stop(started)
        shutil.rmtree(top, ignore_errors=True)
    Path(out).write_text(json.dumps(result, indent=2) + "\n", encoding="utf-8")


# ---------------------------------------------------------------------------------------
# The report


UNIT_SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
# The figures measured here rather than by Google Benchmark.
OWN_FILES = ("memory.json", "commands.json", "startup.json", "copyq.json")


class Results:
    """Google Benchmark's runs, by benchmark and library size."""

    def __init__(self, folder):
        self.runs = {}
        self.context = None
        for path in sorted(Path(folder).glob("*.json")):
            if path.name in OWN_FILES:
                continue
            document = json.loads(path.read_text(encoding="utf-8"))
            self.context = self.context or document.get("context")
            for run in document.get("benchmarks", []):
                if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
                    continue
                # An aggregate is named after its runs with "_median" added; run_name is theirs.
                parts = run.get("run_name", run["name"]).split("/")
                size = int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else None
                self.runs[(parts[0], size)] = run

    def get(self, name, size=None):
        return self.runs.get((name, size))


def duration(seconds):
    """A time in the unit that reads best."""
    if seconds is None:
        return "—"
    if seconds < 1e-3:
        return f"{seconds * 1e6:.3g} µs"
    if seconds < 1:
        return f"{seconds * 1e3:.3g} ms"
    return f"{seconds:.3g} s"


def minutes(seconds):
    return f"{seconds // 60} min {seconds % 60} s" if seconds >= 60 else f"{seconds} s"


def failed(run):
    return run is not None and run.get("error_occurred")


def mean_seconds(run):
    """The time of one iteration as Google Benchmark reports it (wall time where the
    benchmark asked for it)."""
    if run is None or failed(run):
        return None
    return run["real_time"] * UNIT_SECONDS[run["time_unit"]]


def median_seconds(run):
    """The median of single runs where the benchmark counts them, else the mean."""
    if run is None or failed(run):
        return None
    if "median_ms" in run:
        return run["median_ms"] / 1e3
    return mean_seconds(run)


def p90_seconds(run):
    if run is None or failed(run) or "p90_ms" not in run:
        return None
    return run["p90_ms"] / 1e3


def cell(run, value):
    if failed(run):
        return "failed: " + run.get("error_message", "")
    return duration(value)


def verdict(value, target):
    if value is None:
        return "not measured"
    return "met" if value <= target else "**not met**"


def megabytes(kb):
    return f"{kb * 1024 / 1e6:.1f} MB"


def add_copyq(add, memory, copyq):
    """Quillo's memory beside CopyQ's, each with all its processes."""
    add("### Beside CopyQ")
    add("")
    if not copyq:
        add("CopyQ was not measured.")
        add("")
        return
    version = copyq["copyq"]
    add(f"CopyQ (`copyq --version`: {version['says'] or 'unknown'}; Debian package "
        f"{version['package'] or 'unknown'}), a clipboard manager that also sits in the "
        f"tray and keeps texts, measured the same way: private HOME and XDG folders, "
        f"{'in trayer' if copyq['tray'] else 'with no tray'} on Xvfb, set to keep "
        f"{copyq['items']:,} items (`copyq config maxitems`) and given the plain texts of "
        f"the same generated library's snippets, {copyq['items_bytes'] / 1e6:.1f} MB, with "
        f"`copyq add` in batches; `copyq count` said {copyq['added']:,}. It was then ended "
        f"(`copyq exit`, which saves its items) and started again, as after a log-in, its "
        f"items counted again ({copyq['items']:,}) and its memory read "
        f"{copyq['seconds_after_start']} s after that start, once its resident size had "
        f"settled as Quillo's must. Its processes: "
        + ", ".join(f"`{p}`" for p in copyq["processes"]) + ".")
    add("")
    add("Each program's figure sums all its processes: the proportional sets (PSS) from "
        "each one's /proc/PID/smaps_rollup, in which a page the processes share is split "
        "between them and so counted once in the sum, and the resident sets (RSS), which "
        "count such a page once per process.")
    add("")
    add("| | Processes | Proportional (PSS), summed | Resident (RSS), summed |")
    add("|---|---|---|---|")
    if memory and "rollup_kB" in memory:
        pss = memory["rollup_kB"]["Pss"] + memory.get("children_Pss_kB", 0)
        rss = memory["kB"]["VmRSS"] + memory["children_VmRSS_kB"]
        add(f"| Quillo | {1 + memory['children']} | {megabytes(pss)} | {megabytes(rss)} |")
    else:
        add("| Quillo | | not measured | not measured |")
    kb = copyq["kB"]
    add(f"| CopyQ | {kb['processes']} | {megabytes(kb['Pss'])} | {megabytes(kb['Rss'])} |")
    add("")


def ratio(value, peer):
    return value / peer if value is not None and peer else None


def add_commands(add, commands):
    """The command line's whole processes, beside fzf's in the same run."""
    add("## The command line, beside fzf (10k snippets)")
    add("")
    if not commands:
        add("Not measured.")
        add("")
        return
    median = commands["median_seconds"]
    fzf = commands["fzf"]
    add(f"Whole processes, from just before each is started until it has ended, its output "
        f"thrown away: the median of {commands['runs']} runs. The runs go round by round, "
        f"each round running every command once in another order, so Quillo and fzf share "
        f"the machine's state. `quillo` reads a generated library of "
        f"{commands['snippets'] // 1000}k snippets in private HOME and XDG folders, with "
        f"the desktop program running idle "
        f"{'in trayer' if commands['tray'] else 'with no tray'} on Xvfb: `paste` and "
        f"`--picker` hand over to it. fzf (`fzf --version`: {fzf['says'] or 'unknown'}; "
        f"Debian package {fzf['package'] or 'unknown'}) with `--filter` reads, from its "
        f"standard input, one line per snippet: its name and its whole text as the library "
        f"keeps it (rich snippets' with their tags), {commands['fzf_input_lines']:,} lines, "
        f"{commands['fzf_input_bytes'] / 1e6:.1f} MB. It finds "
        f"{commands['found']['fzf_filter']:,} lines for “{commands['query']}” and "
        f"`quillo search` {commands['found']['search']:,} snippets (fzf's match is fuzzy: "
        f"the letters in order, anywhere in the line). SNIPPET is a rich snippet with "
        f"fields, given by its name as a person would: "
        f"“{commands['snippet_with_fields']}”.")
    add("")
    add("| Command | Median | Target | fzf in the same run | Ratio | Target ratio | |")
    add("|---|---|---|---|---|---|---|")
    query = commands["query"]
    filtered = median.get("fzf_filter")
    shown = median.get("fzf_version")
    rows = [
        (f"`quillo search {query}`", "search", None, f"`fzf --filter {query}`", filtered, 0.5),
        ("`quillo list`", "list", 0.080, f"`fzf --filter {query}`", filtered, 0.2),
        ("`quillo fields SNIPPET`", "fields", 0.080, f"`fzf --filter {query}`", filtered, 0.2),
        ("`quillo render SNIPPET`", "render", 0.080, f"`fzf --filter {query}`", filtered, 0.2),
        ("`quillo --version`", "version", 0.010, "`fzf --version`", shown, 1),
        ("`quillo --help`", "help", 0.010, "`fzf --version`", shown, 1),
        ("`quillo paste SNIPPET`, handing over", "paste", 0.010, "`fzf --version`", shown, 1),
        ("`quillo --picker`, handing over", "picker", 0.010, "`fzf --version`", shown, 1),
    ]
    for title, key, target, peer_title, peer, target_ratio in rows:
        value = median.get(key)
        times = ratio(value, peer)
        together = verdict(times, target_ratio)
        if target is not None:
            together = f"time {verdict(value, target)}, ratio {together}"
        add(f"| {title} | {duration(value)} | {f'≤ {duration(target)}' if target else ''} "
            f"| {peer_title}: {duration(peer)} "
            f"| {f'{times:.2f}×' if times is not None else '—'} | ≤ {target_ratio:g}× "
            f"| {together} |")
    add("")
    add(f"`quillo --picker` opens the picker, and the same command closes it again: the "
        f"figure is the opening's, each followed by a closing, whose median was "
        f"{duration(median.get('picker_closing'))}. A paste or a picker's turn is given "
        f"half a second to finish before the next command.")
    add("")


def add_startup(add, startup):
    """From exec until the tray icon is shown and the shortcut registered."""
    add("## Start-up (10k snippets)")
    add("")
    if not startup:
        add("Not measured.")
        add("")
        return
    add(f"`quillo --autostart`, as at login, "
        f"{'in trayer' if startup['tray'] else 'with no tray'} on Xvfb, started "
        f"{startup['runs']} times, each time with fresh private HOME and XDG folders and the "
        f"same generated library of {startup['snippets'] // 1000}k snippets, and ended after "
        f"each: from just before it is started until its tray icon is shown and its "
        f"shortcut registered, after the first turn of its event loop. The program writes "
        f"that moment (CLOCK_MONOTONIC) to the file QUILLO_STARTUP_MARK names; the start "
        f"is taken on the same clock. The figure is the median of the starts.")
    add("")
    add("| Median | Slowest | Target | |")
    add("|---|---|---|---|")
    value = startup["median_seconds"]
    slowest = max(startup["seconds"]) if startup["seconds"] else None
    add(f"| {duration(value) if value is not None else 'not measured'} | {duration(slowest)} "
        f"| ≤ 200 ms | {verdict(value, 0.200)} |")
    add("")
    if value is None:
        requests = startup["took_requests_seconds"]
        reason = "; ".join(startup["notes"]) or "no start was timed"
        add(f"Not measured: {reason}." + (
            f" It took requests on its socket after {duration(statistics.median(requests))} "
            f"(the median of {len(requests)} starts, polled every 5 ms)." if requests else ""))
        add("")


def report(folder, out, seconds, build_seconds):
    results = Results(folder)
    memory_path = Path(folder) / "memory.json"
    memory = json.loads(memory_path.read_text()) if memory_path.exists() else None

    def own(name):
        path = Path(folder) / name
        return json.loads(path.read_text(encoding="utf-8")) if path.exists() else None

    commands = own("commands.json")
    startup = own("startup.json")
    copyq = own("copyq.json")

    lines = []
    add = lines.append

    # Where and when.
    commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], capture_output=True,
                            text=True).stdout.strip() or "unknown"
    dirty = subprocess.run(["git", "status", "--porcelain", "--untracked-files=no"],
                           capture_output=True, text=True).stdout.strip()
    cpu = platform.processor() or platform.machine()
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    context = results.context or {}
    add("# Quillo's performance")
    add("")
    when = datetime.date.today().isoformat()
    load = context.get("load_avg") or []
    add(f"Measured {when} by `bash scripts/perf-report.sh` on commit {commit}"
        f"{' with uncommitted changes' if dirty else ''}, optimised build (`build/perf`), "
        f"{cpu}, {context.get('num_cpus', os.cpu_count())} cores, "
        f"Linux {platform.release()}"
        f"{f', load average {load[0]:.1f} as the benchmarks started' if load else ''}.")
    if seconds is not None:
        took = f"The run took {minutes(seconds)}"
        if build_seconds is not None:
            took += f", {minutes(build_seconds)} of it building"
        add(took + ".")
    add("Libraries are made up by the benchmarks' generator. "
        "Times are per operation: for the picker (on Xvfb), the library window and the "
        "editor (offscreen) the median of single timed runs, with the slowest tenth (p90) "
        "beside it; elsewhere the median of 5 repetitions, each the average over Google "
        "Benchmark's runs: on a shared machine one repetition can be a third slower than "
        "the next.")
    add("")

    # Against the targets, all at 10k snippets.
    add("## Targets (10k snippets)")
    add("")
    add("A target is met when the slowest tenth of the runs is within it.")
    add("")
    add("| | Measured | Slowest tenth | Target | |")
    add("|---|---|---|---|---|")
    timed = [
        ("Picker: shortcut to shown", results.get("BM_ShortcutToPickerShown", 10_000), 0.050),
        ("Picker: keystroke to list updated", results.get("BM_KeystrokeToListUpdated", 10_000),
         0.016),
        ("Library window: open", results.get("BM_OpenLibraryWindow", 10_000), 0.300),
        ("Library window: search keystroke to list",
         results.get("BM_SearchKeystrokeToListRepainted", 10_000), 0.016),
        ("Editor: switch to a plain snippet", results.get("BM_ShowNextPlainSnippet"), 0.100),
        ("Editor: switch to a rich snippet", results.get("BM_ShowNextRichSnippet"), 0.100),
        ("Library file changed outside: taken in",
         results.get("BM_TakeInOutsideChange", 10_000), 0.100),
        ("Library file changed outside: merged with unsaved changes and saved",
         results.get("BM_MergeOutsideChangeAndSave", 10_000), 0.100),
    ]
    for title, run, target in timed:
        worst = p90_seconds(run)
        add(f"| {title} | {cell(run, median_seconds(run))} | {duration(worst)} "
            f"| ≤ {duration(target)} | {verdict(worst, target)} |")
    if memory:
        rss_mb = memory["kB"]["VmRSS"] * 1024 / 1e6
        add(f"| Memory idle in the tray: resident set | {rss_mb:.0f} MB | "
            f"| ≤ {MEMORY_TARGET_MB} MB | {verdict(rss_mb, MEMORY_TARGET_MB)} |")
    else:
        add(f"| Memory idle in the tray: resident set | not measured | "
            f"| ≤ {MEMORY_TARGET_MB} MB | |")
    add("")

    # Wayland, judged by the median as its targets are.
    add("## Wayland (a headless sway), and the launcher of key bindings")
    add("")
    add("Whole paths through the real program under sway, on a keyboard of the benchmark's "
        "own, with a small library: the shortcut until the picker has the focus, and Return "
        "until the text is in the window the person was in (80 ms of it is the pause that "
        "lets the picker go). `quillo --picker` is the whole short-lived process, handing "
        "its request to a running program.")
    add("")
    add("| | Median | Slowest tenth | Target (median) | |")
    add("|---|---|---|---|---|")
    for title, run, target in [
            ("Shortcut to the picker with the focus", results.get("BM_ShortcutToPickerFocused"),
             0.050),
            ("Return to the text in the window", results.get("BM_ReturnToTextInTheWindow"),
             0.150),
            ("`quillo --picker` handing over", results.get("BM_PickerHandover"), 0.030)]:
        median = median_seconds(run)
        add(f"| {title} | {cell(run, median)} | {duration(p90_seconds(run))} "
            f"| ≤ {duration(target)} | {verdict(median, target)} |")
    add("")

    # By library size.
    add("## By library size")
    add("")
    add("| | 1k | 10k | 100k |")
    add("|---|---|---|---|")

    def row(title, name, value=median_seconds, sizes=SIZES):
        cells = []
        for size in SIZES:
            run = results.get(name, size) if size in sizes else None
            cells.append(cell(run, value(run)) if run else "—")
        add(f"| {title} | " + " | ".join(cells) + " |")

    row("Load the library file", "BM_Load")
    row("Save it", "BM_Save")
    row("Take in a change made to the file outside", "BM_TakeInOutsideChange")
    row("Merge that change with unsaved changes and save", "BM_MergeOutsideChangeAndSave")
    row("Search, uncached: the first after loading, with the index built",
        "BM_SearchFirstOnFreshLibrary")
    row("Search, cached: a new query with the index ready", "BM_SearchCachedShortQuery")
    ratios = []
    for size in SIZES:
        uncached = mean_seconds(results.get("BM_SearchFirstOnFreshLibrary", size))
        cached = mean_seconds(results.get("BM_SearchCachedShortQuery", size))
        ratios.append(f"{uncached / cached:.0f}×" if uncached and cached else "—")
    add("| Search, uncached ÷ cached | " + " | ".join(ratios) + " |")
    row("Import an aText backup of that size (into a library of that size, saved)",
        "BM_ImportATextBackup")
    row("Picker: shortcut to shown", "BM_ShortcutToPickerShown")
    row("Picker: first shortcut after loading", "BM_FirstShortcutAfterLoading")
    row("Picker: keystroke to list updated", "BM_KeystrokeToListUpdated")
    row("Library window: open", "BM_OpenLibraryWindow")
    row("Library window: search keystroke to list", "BM_SearchKeystrokeToListRepainted")
    add("")
    add("The uncached search is what the picker pays once the library is loaded: its view "
        "lists the library as soon as it is made, at start-up, so the index is ready by the "
        "first shortcut, and later changes to the library refresh only what changed. There "
        "is no import of 100k: the importer refuses backups over 64 MiB, and one of 100k "
        "generated snippets would be about 190 MB. The editor's snippet switch, above, "
        "shows one snippet at a time and is measured with 10k only.")
    add("")

    # Rendering.
    html = results.get("BM_RenderRichSnippetsAsHtml")
    rtf = results.get("BM_RenderRichSnippetsAsRtf")
    paste = results.get("BM_PasteOneRichSnippet")

    def per_item(run):
        if run is None or failed(run) or not run.get("items_per_second"):
            return None
        return 1 / run["items_per_second"]

    add("## Rendering a snippet for the clipboard")
    add("")
    add("Per rich snippet, over every rich snippet of a generated 10k library; rendering "
        "reads one snippet, so the library's size doesn't enter.")
    add("")
    add("| | Per snippet |")
    add("|---|---|")
    add(f"| HTML: placeholders filled in, fonts and trailing blank lines gone, with its "
        f"plain text | {cell(html, per_item(html))} |")
    add(f"| RTF, from that HTML | {cell(rtf, per_item(rtf))} |")
    add(f"| One typical rich snippet, all three flavours | {cell(paste, mean_seconds(paste))} |")
    add("")

    # Memory.
    add("## Memory")
    add("")
    if memory:
        kb = memory["kB"]
        mb = {key: value * 1024 / 1e6 for key, value in kb.items()}
        where = "in an XEmbed tray (trayer)" if memory["tray"] else "with no tray to show in"
        add(f"`quillo --autostart` idle {where} on Xvfb, with a library of "
            f"{memory['snippets'] // 1000}k snippets in private HOME and XDG folders, read "
            f"{memory['seconds_after_start']} s after start, once it took requests and its "
            f"resident size had settled. MB are 1,000,000 bytes.")
        add("")
        rollup = memory.get("rollup_kB", {})
        pss = f"{rollup['Pss'] * 1024 / 1e6:.1f} MB" if "Pss" in rollup else "—"
        add("| Resident (VmRSS) | Proportional (PSS) | Anonymous (RssAnon) | Files (RssFile) "
            "| Shared memory (RssShmem) | Peak (VmHWM) | Target |")
        add("|---|---|---|---|---|---|---|")
        add(f"| {mb['VmRSS']:.1f} MB | {pss} | {mb.get('RssAnon', 0):.1f} MB "
            f"| {mb.get('RssFile', 0):.1f} MB | {mb.get('RssShmem', 0):.1f} MB "
            f"| {mb.get('VmHWM', 0):.1f} MB | ≤ {MEMORY_TARGET_MB} MB resident: "
            f"{verdict(mb['VmRSS'], MEMORY_TARGET_MB)} |")
        add("")
        add("The proportional set (PSS, from /proc/PID/smaps_rollup) counts each page the "
            "program shares with other processes, such as a library's code, as its share "
            "of it.")
        add("")
        used = [(label, memory[key]) for label, key in (
            ("Just after using the picker once (opened, “re” typed, closed)", "after_use"),
            (f"{PICKER_TEXTS_KEPT_SECONDS} s after that, its search texts let go",
             "minute_after_use")) if key in memory]
        if used:
            add("Until the picker is first opened, the program has made neither the picker's "
                "window contents nor its search texts (the blank list is ready); the texts are "
                f"let go again {PICKER_TEXTS_KEPT_SECONDS} s after the picker closes. The "
                "same program, afterwards:")
            add("")
            add("| | Resident (VmRSS) | Proportional (PSS) | Anonymous (RssAnon) |")
            add("|---|---|---|---|")
            for label, reading in used:
                add(f"| {label} | {reading['kB']['VmRSS'] * 1024 / 1e6:.1f} MB "
                    f"| {reading['rollup_kB'].get('Pss', 0) * 1024 / 1e6:.1f} MB "
                    f"| {reading['kB'].get('RssAnon', 0) * 1024 / 1e6:.1f} MB |")
            add("")
        if memory["children"]:
            add(f"It had started {memory['children']} other processes, resident "
                f"{memory['children_VmRSS_kB'] * 1024 / 1e6:.1f} MB together (not counted "
                f"above).")
        else:
            add("It had started no other processes (the web engine starts with the first "
                "rich snippet shown).")
        add("")
    else:
        add("Not measured.")
        add("")
    add_copyq(add, memory, copyq)
    add_commands(add, commands)
    add_startup(add, startup)

    text = "\n".join(lines)
    Path(out).parent.mkdir(parents=True, exist_ok=True)
    Path(out).write_text(text, encoding="utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    memory = commands.add_parser("memory")
    memory.add_argument("program")
    memory.add_argument("generator")
    memory.add_argument("out")
    for name in ("commands", "startup"):
        measured = commands.add_parser(name)
        measured.add_argument("program")
        measured.add_argument("generator")
        measured.add_argument("out")
    peer = commands.add_parser("copyq")
    peer.add_argument("generator")
    peer.add_argument("out")
    write = commands.add_parser("report")
    write.add_argument("results")
    write.add_argument("out")
    write.add_argument("--seconds", type=int)
    write.add_argument("--build-seconds", type=int)
    arguments = parser.parse_args()
    if arguments.command == "memory":
        measure_memory(arguments.program, arguments.generator, arguments.out)
    elif arguments.command == "commands":
        measure_commands(arguments.program, arguments.generator, arguments.out)
    elif arguments.command == "startup":
        measure_startup(arguments.program, arguments.generator, arguments.out)
    elif arguments.command == "copyq":
        measure_copyq(arguments.generator, arguments.out)
    else:
        report(arguments.results, arguments.out, arguments.seconds, arguments.build_seconds)
    return 0


if __name__ == "__main__":
    sys.exit(main())
