"""aText backups made by the importer tests' own generator."""

import subprocess
import sys
from pathlib import Path

GENERATOR = Path(__file__).resolve().parent.parent / "import" / "make_atext_backups.py"
MADE_UP = Path(__file__).resolve().parents[2] / "bench" / "atext_archive.py"


def make_backup(folder, name):
    subprocess.run([sys.executable, str(GENERATOR), str(folder), name], check=True,
                   capture_output=True, timeout=60)
    return Path(folder) / name


def make_generated_backup(folder, count):
    """A made-up backup of `count` snippets, for imports that take a while."""
    path = Path(folder) / f"generated-{count}.atext"
    subprocess.run([sys.executable, str(MADE_UP), str(count), str(path)],
                   check=True, capture_output=True, timeout=300)
    return path
