"""Libraries written before Quillo starts, in the form the program keeps them."""

import json
import uuid

WRITTEN = "2026-03-01T09:05:07Z"


def snippet(name, text, format="plain", group=None, use_count=0):
    entry = {
        "id": str(uuid.uuid4()).upper(),
        "name": name,
        "format": format,
        "text": text,
        "created": WRITTEN,
        "modified": WRITTEN,
        "useCount": use_count,
    }
    if group is not None:
        entry["groupID"] = group["id"]
    return entry


def group(name):
    return {"id": str(uuid.uuid4()).upper(), "name": name}


def document(snippets, groups=()):
    return json.dumps({"groups": list(groups), "snippets": list(snippets), "version": 1},
                      indent=2, sort_keys=True, ensure_ascii=False)
