#!/usr/bin/env python3
"""The two halves of the performance report that are not Google Benchmark's own.

    perf_report.py memory PROGRAM GENERATOR OUT.json
        Starts the real program as at login, idle in the tray of the current X display,
        with a generated library of 10k snippets in private folders, and writes what
        /proc says of its memory once it has settled.

    perf_report.py report RESULTS_FOLDER OUT.md [--seconds N] [--build-seconds N]
        Turns the benchmarks' JSON files and the memory figures in RESULTS_FOLDER into
        a short Markdown report.
"""

import argparse
import datetime
import json
import os
import platform
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

# The end-to-end tests' knowledge of how the program comes up.
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))
from quillo_process import accepts  # noqa: E402

# The generator's seed the benchmarks use, so the program sees the library they measure.
LIBRARY_SEED = "20240601"
MEMORY_LIBRARY_SIZE = 10_000
SIZES = (1_000, 10_000, 100_000)


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


def status_of(pid):
    """The memory lines of /proc/PID/status, in kB (of 1024 bytes)."""
    values = {}
    with open(f"/proc/{pid}/status", encoding="ascii") as status:
        for line in status:
            key, _, rest = line.partition(":")
            if key in ("VmRSS", "RssAnon", "RssFile", "RssShmem", "VmHWM"):
                values[key] = int(rest.split()[0])
    return values


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


def measure_memory(program, generator, out):
    top = Path(tempfile.mkdtemp(prefix="quillo-memory-"))
    started = []
    try:
        folders = private_folders(top)
        env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY",
                                                                 "QT_QPA_PLATFORM")}
        env.update({key: str(path) for key, path in folders.items()})
        library = folders["XDG_DATA_HOME"] / "Quillo" / "library.json"
        subprocess.run([generator, str(MEMORY_LIBRARY_SIZE), str(library), LIBRARY_SEED],
                       check=True, stdout=subprocess.DEVNULL)

        # An XEmbed tray for the icon to sit in.
        tray = shutil.which("trayer")
        if tray:
            started.append(subprocess.Popen(
                [tray, "--edge", "top", "--align", "right", "--widthtype", "request",
                 "--height", "24", "--SetDockType", "true"],
                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            wait_until(lambda: subprocess.run(
                ["xdotool", "search", "--classname", "trayer"], env=env,
                capture_output=True).returncode == 0, 15, "the tray")

        stderr_path = top / "quillo.stderr"
        with open(stderr_path, "wb") as err:
            quillo = subprocess.Popen([program, "--autostart"], env=env,
                                      stdout=subprocess.DEVNULL, stderr=err)
        started.append(quillo)
        start = time.monotonic()

        def ready():
            if quillo.poll() is not None:
                raise RuntimeError(f"quillo ended at start with status {quillo.returncode}: "
                                   f"{stderr_path.read_text(errors='replace')}")
            return any(map(accepts, folders["XDG_RUNTIME_DIR"].glob("quillo-*")))

        wait_until(ready, 30, "quillo to take requests")
        listed = subprocess.run([program, "list"], env=env, capture_output=True, text=True,
                                timeout=60, check=True).stdout.count("\n")
        if listed != MEMORY_LIBRARY_SIZE:
            raise RuntimeError(f"the library holds {listed} snippets, not "
                               f"{MEMORY_LIBRARY_SIZE}")

        # Settled: at least 3 s after start, and the resident size moved by less than
        # 256 kB over the last 2 s (sampled every half second); 30 s at most.
        samples = []
        while True:
            samples.append(status_of(quillo.pid)["VmRSS"])
            elapsed = time.monotonic() - start
            recent = samples[-5:]
            if elapsed >= 3 and len(recent) == 5 and max(recent) - min(recent) < 256:
                break
            if elapsed > 30:
                break
            time.sleep(0.5)
        memory = status_of(quillo.pid)
        children = children_of(quillo.pid)
        children_rss = 0
        for child in children:
            try:
                children_rss += status_of(child).get("VmRSS", 0)
            except OSError:
                pass  # it ended meanwhile
        stderr = stderr_path.read_text(errors="replace")
        result = {
            "snippets": MEMORY_LIBRARY_SIZE,
            "listed": listed,
            "seconds_after_start": round(time.monotonic() - start, 1),
            "tray": bool(tray) and "shows no tray icons" not in stderr,
            "kB": memory,
            "children": len(children),
            "children_VmRSS_kB": children_rss,
            "stderr": stderr.strip(),
        }
    finally:
        for process in reversed(started):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(15)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        shutil.rmtree(top, ignore_errors=True)
    Path(out).write_text(json.dumps(result, indent=2) + "\n", encoding="utf-8")


# ---------------------------------------------------------------------------------------
# The report


UNIT_SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


class Results:
    """Google Benchmark's runs, by benchmark and library size."""

    def __init__(self, folder):
        self.runs = {}
        self.context = None
        for path in sorted(Path(folder).glob("*.json")):
            if path.name == "memory.json":
                continue
            document = json.loads(path.read_text(encoding="utf-8"))
            self.context = self.context or document.get("context")
            for run in document.get("benchmarks", []):
                if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
                    continue
                parts = run["name"].split("/")
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


def report(folder, out, seconds, build_seconds):
    results = Results(folder)
    memory_path = Path(folder) / "memory.json"
    memory = json.loads(memory_path.read_text()) if memory_path.exists() else None

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
        "beside it; elsewhere the average over Google Benchmark's runs (for the import, the "
        "median of its repetitions).")
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
        add(f"| Memory idle in the tray: resident set | {rss_mb:.0f} MB | | ≤ 60 MB "
            f"| {verdict(rss_mb, 60)} |")
    else:
        add("| Memory idle in the tray: resident set | not measured | | ≤ 60 MB | |")
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
        add("| Resident (VmRSS) | Anonymous (RssAnon) | Files (RssFile) | Shared memory "
            "(RssShmem) | Peak (VmHWM) | Target |")
        add("|---|---|---|---|---|---|")
        add(f"| {mb['VmRSS']:.1f} MB | {mb.get('RssAnon', 0):.1f} MB "
            f"| {mb.get('RssFile', 0):.1f} MB | {mb.get('RssShmem', 0):.1f} MB "
            f"| {mb.get('VmHWM', 0):.1f} MB | ≤ 60 MB resident: "
            f"{verdict(mb['VmRSS'], 60)} |")
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
    write = commands.add_parser("report")
    write.add_argument("results")
    write.add_argument("out")
    write.add_argument("--seconds", type=int)
    write.add_argument("--build-seconds", type=int)
    arguments = parser.parse_args()
    if arguments.command == "memory":
        measure_memory(arguments.program, arguments.generator, arguments.out)
    else:
        report(arguments.results, arguments.out, arguments.seconds, arguments.build_seconds)
    return 0


if __name__ == "__main__":
    sys.exit(main())
