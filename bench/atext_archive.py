#!/usr/bin/env python3
"""Writes aText backups: made-up ones of any size for the benchmarks and end-to-end tests,
and the archiver the importer tests' named backups are written with.

An aText backup is a keyed archive (the object graph format of Apple's NSKeyedArchiver)
stored as a binary property list. This module archives Python values the way Apple's
archiver does and writes them with plistlib; the hostile files that plistlib cannot or
will not write come from a small binary property-list writer of its own.

    atext_archive.py N OUTFILE    one made-up backup of N snippets
"""


import argparse
import collections
import datetime
import plistlib
import random
import struct
import sys
from dataclasses import dataclass, field
from pathlib import Path
from typing import Any, Optional

UID = plistlib.UID
REFERENCE_DATE = datetime.datetime(2001, 1, 1, tzinfo=datetime.timezone.utc)


# ---- Archived values: what Foundation and aText put into a backup


@dataclass(eq=False)
class Snippet:
    abbreviation: Any = None
    label: Any = None
    content: Any = None  # str, MutableString, Attributed, or anything else
    content_type: Any = None  # an int sits inline; a Number goes through a reference
    created: Optional[datetime.datetime] = None
    modified: Optional[datetime.datetime] = None


@dataclass(eq=False)
class Group:
    name: Any = None
    items: list = field(default_factory=list)


@dataclass(eq=False)
class MutableString:
    text: str


@dataclass(eq=False)
class MutableArray:
    items: list


@dataclass(eq=False)
class MutableData:
    data: bytes


@dataclass(eq=False)
class Number:
    """A number archived as an object of its own instead of inline."""

    value: int


@dataclass(eq=False)
class Attributed:
    """Attributed text: a list of (text, attributes) runs."""

    runs: list
    mutable: bool = False


@dataclass(eq=False)
class Font:
    name: str
    size: float = 12.0
    flags: int = 16


@dataclass(eq=False)
class URL:
    relative: str
    base: Optional["URL"] = None


@dataclass(eq=False)
class Color:
    """NSColor's archived fields; build one with the functions below."""

    fields: dict


@dataclass(eq=False)
class ColorSpace:
    id: int


def numbers(*values):
    """Colour components as AppKit archives them: ASCII numbers, ending in a NUL."""
    return (" ".join(format(v, ".10g") for v in values) + "\0").encode("ascii")


def rgb(r, g, b, space=1):
    """Calibrated (1) or device (2) RGB, as older archives hold it."""
    return Color({"NSColorSpace": space, "NSRGB": numbers(r, g, b)})


def srgb(r, g, b, legacy):
    """An sRGB colour as newer archives hold it: exact components beside legacy values."""
    return Color(
        {
            "NSColorSpace": 1,
            "NSRGB": numbers(*legacy),
            "NSComponents": numbers(r, g, b, 1)[:-1],
            "NSCustomColorSpace": ColorSpace(7),
        }
    )


def white(w, space=3):
    return Color({"NSColorSpace": space, "NSWhite": numbers(w)})


def cmyk(c, m, y, k):
    return Color({"NSColorSpace": 5, "NSCMYK": numbers(c, m, y, k)})


def catalog(name, fallback, catalog_name="System"):
    return Color(
        {"NSColorSpace": 6, "NSCatalogName": catalog_name, "NSColorName": name, "NSColor": fallback}
    )


def bold(name="Helvetica-Bold"):
    return {"NSFont": Font(name)}


# ---- The archiver


class KeyedArchiver:
    """Archives a graph of values as NSKeyedArchiver does: "$null" first, each object once
    (referenced by UID wherever it is used again, cycles included), one class dictionary
    per class. Objects are encoded from a queue, so no nesting depth makes it recurse;
    that numbers them breadth first where Apple goes depth first, which no reader sees."""

    def __init__(self):
        self.objects = ["$null"]
        self._uids = {}
        self._classes = {}
        self._keep = []  # keeps every archived value alive, so that ids stay unique
        self._pending = collections.deque()

    def archive(self, root):
        top = self.ref(root)
        while self._pending:
            index, value = self._pending.popleft()
            self.objects[index] = self._encode(value)
        return {
            "$archiver": "NSKeyedArchiver",
            "$version": 100000,
            "$top": {"root": top},
            "$objects": self.objects,
        }

    def ref(self, value):
        if value is None:
            return UID(0)
        key = ("string", value) if isinstance(value, str) else id(value)
        if key not in self._uids:
            self._uids[key] = UID(len(self.objects))
            self.objects.append(None)
            self._keep.append(value)
            self._pending.append((len(self.objects) - 1, value))
        return self._uids[key]

    def keyed(self, value):
        """A keyed field's value: scalars inline, objects by reference."""
        if isinstance(value, (bool, int, float, bytes)):
            return value
        return self.ref(value)

    def instance(self, class_chain, **fields):
        entry = {"$class": self.class_ref(class_chain)}
        entry.update({key: self.keyed(value) for key, value in fields.items() if value is not None})
        return entry

    def class_ref(self, chain):
        if chain[0] not in self._classes:
            self._classes[chain[0]] = UID(len(self.objects))
            self.objects.append({"$classes": list(chain), "$classname": chain[0]})
        return self._classes[chain[0]]

    def _encode(self, value):
        if isinstance(value, (str, bool, int, float)):
            return value  # strings and numbers stand for themselves in "$objects"
        encoder = ENCODERS.get(type(value))
        if encoder is None:
            raise TypeError(f"can't archive {type(value).__name__}")
        return encoder(self, value)


def encode_array(a, items, mutable):
    chain = ["NSMutableArray", "NSArray", "NSObject"] if mutable else ["NSArray", "NSObject"]
    return {"$class": a.class_ref(chain), "NS.objects": [a.ref(item) for item in items]}


def encode_dictionary(a, mapping):
    return {
        "$class": a.class_ref(["NSDictionary", "NSObject"]),
        "NS.keys": [a.ref(key) for key in mapping],
        "NS.objects": [a.ref(value) for value in mapping.values()],
    }


def encode_date(a, moment):
    seconds = (moment - REFERENCE_DATE).total_seconds()
    return a.instance(["NSDate", "NSObject"], **{"NS.time": seconds})


def leb128(number):
    out = bytearray()
    while True:
        byte = number & 0x7F
        number >>= 7
        out.append(byte | (0x80 if number else 0))
        if not number:
            return bytes(out)


def utf16_length(text):
    return len(text.encode("utf-16-le", "surrogatepass")) // 2


def encode_attributed(a, text):
    string = "".join(run for run, _ in text.runs)
    chain = ["NSAttributedString", "NSObject"]
    if text.mutable:
        chain.insert(0, "NSMutableAttributedString")
    fields = {"NSString": MutableString(string) if text.mutable else string}
    # Equal attribute dictionaries are archived once and named by index, as Apple does.
    dictionaries, info = [], bytearray()
    for run, attributes in text.runs:
        if attributes not in dictionaries:
            dictionaries.append(attributes)
        info += leb128(utf16_length(run)) + leb128(dictionaries.index(attributes))
    if len(text.runs) == 1:
        fields["NSAttributes"] = text.runs[0][1]
    elif text.runs:
        fields["NSAttributes"] = list(dictionaries)
        fields["NSAttributeInfo"] = MutableData(bytes(info))
    return a.instance(chain, **fields)


ENCODERS = {
    list: lambda a, v: encode_array(a, v, mutable=False),
    MutableArray: lambda a, v: encode_array(a, v.items, mutable=True),
    dict: encode_dictionary,
    datetime.datetime: encode_date,
    Number: lambda a, v: v.value,
    MutableString: lambda a, v: a.instance(
        ["NSMutableString", "NSString", "NSObject"], **{"NS.string": v.text}
    ),
    MutableData: lambda a, v: a.instance(
        ["NSMutableData", "NSData", "NSObject"], **{"NS.data": v.data}
    ),
    Attributed: encode_attributed,
    Font: lambda a, v: a.instance(
        ["NSFont", "NSObject"], NSName=v.name, NSSize=float(v.size), NSfFlags=v.flags
    ),
    Color: lambda a, v: a.instance(["NSColor", "NSObject"], **v.fields),
    ColorSpace: lambda a, v: a.instance(["NSColorSpace", "NSObject"], NSID=v.id),
    URL: lambda a, v: {
        "$class": a.class_ref(["NSURL", "NSObject"]),
        "NS.base": a.ref(v.base),
        "NS.relative": a.ref(v.relative),
    },
    Snippet: lambda a, v: a.instance(
        ["Snippet", "NSObject"],
        Abbreviation=v.abbreviation,
        Label=v.label,
        Content=v.content,
        ContentType=v.content_type,
        DateCreated=v.created,
        DateModified=v.modified,
    ),
    Group: lambda a, v: a.instance(
        ["SnippetGroup", "NSObject"], Name=v.name, Items=MutableArray(v.items)
    ),
}


def archive(root):
    return KeyedArchiver().archive(root)


def archived(root):
    """The archive of `root` as a binary property list."""
    return plistlib.dumps(archive(root), fmt=plistlib.FMT_BINARY, sort_keys=False)


def backup_archive(items):
    """A backup's archive: the root dictionary's "Snippets" holds the top-level items."""
    return archive({"Snippets": MutableArray(items)})


def backup(items):
    return archived({"Snippets": MutableArray(items)})


# ---- A binary property-list writer for what plistlib won't write


@dataclass(eq=False)
class RawObject:
    """An object written exactly as given, lies about its own length included."""

    encoded: bytes


def length_marker(kind, count):
    if count < 15:
        return bytes([kind << 4 | count])
    return bytes([kind << 4 | 0xF]) + encode_int(count)


def encode_int(value):
    if 0 <= value < 1 << 8:
        return b"\x10" + struct.pack(">B", value)
    if 0 <= value < 1 << 16:
        return b"\x11" + struct.pack(">H", value)
    if 0 <= value < 1 << 32:
        return b"\x12" + struct.pack(">I", value)
    return b"\x13" + struct.pack(">q", value)


def width_for(largest):
    return next(w for w in (1, 2, 4, 8) if largest < 1 << (8 * w))


def encode_scalar(value):
    if isinstance(value, RawObject):
        return value.encoded
    if isinstance(value, bool):
        return b"\x09" if value else b"\x08"
    if isinstance(value, int):
        return encode_int(value)
    if isinstance(value, float):
        return b"\x23" + struct.pack(">d", value)
    if isinstance(value, bytes):
        return length_marker(0x4, len(value)) + value
    if isinstance(value, UID):
        size = width_for(value.data + 1)
        return bytes([0x80 | (size - 1)]) + value.data.to_bytes(size, "big")
    if isinstance(value, str):
        if value.isascii():
            return length_marker(0x5, len(value)) + value.encode("ascii")
        units = value.encode("utf-16-be", "surrogatepass")
        return length_marker(0x6, len(units) // 2) + units
    raise TypeError(f"can't write {type(value).__name__}")


def assemble(encoded_objects, ref_size, top=0):
    """A whole file around its encoded objects: header, objects, offset table, trailer."""
    offsets, position = [], 8
    for encoded in encoded_objects:
        offsets.append(position)
        position += len(encoded)
    offset_size = width_for(position)
    table = b"".join(offset.to_bytes(offset_size, "big") for offset in offsets)
    trailer = struct.pack(">6xBBQQQ", offset_size, ref_size, len(offsets), top, position)
    return b"".join([b"bplist00", *encoded_objects, table, trailer])


def members(value):
    if isinstance(value, list):
        return value
    if isinstance(value, dict):
        return list(value.keys()) + list(value.values())
    return []


def binary_plist(top):
    """Writes Python values as a "bplist00" file without recursing: containers shared by
    identity are written once, as are equal scalars."""
    objects, index = [], {}

    def key(value):
        if isinstance(value, (list, dict, RawObject)):
            return ("object", id(value))
        return (type(value).__name__, value)

    queue = collections.deque([top])
    index[key(top)] = 0
    objects.append(top)
    while queue:
        for member in members(queue.popleft()):
            if key(member) not in index:
                index[key(member)] = len(objects)
                objects.append(member)
                queue.append(member)

    ref_size = width_for(len(objects))

    def refs(values):
        return b"".join(index[key(v)].to_bytes(ref_size, "big") for v in values)

    def encode(value):
        if isinstance(value, list):
            return length_marker(0xA, len(value)) + refs(value)
        if isinstance(value, dict):
            return length_marker(0xD, len(value)) + refs(value.keys()) + refs(value.values())
        return encode_scalar(value)

    return assemble([encode(value) for value in objects], ref_size)


class FlatPlist:
    """A property list built object by object, for files of a million objects that the
    writers above take minutes over: containers name their members by index, and every
    reference is 4 bytes wide."""

    def __init__(self):
        self._objects = []
        self._scalars = {}

    def add(self, encoded=b""):
        self._objects.append(encoded)
        return len(self._objects) - 1

    def put(self, index, encoded):
        self._objects[index] = encoded

    def scalar(self, value):
        key = (type(value).__name__, value)
        if key not in self._scalars:
            self._scalars[key] = self.add(encode_scalar(value))
        return self._scalars[key]

    @staticmethod
    def array(refs):
        return length_marker(0xA, len(refs)) + struct.pack(f">{len(refs)}I", *refs)

    def dictionary(self, entries):
        keys = [self.scalar(key) for key in entries]
        return length_marker(0xD, len(entries)) + struct.pack(
            f">{2 * len(entries)}I", *keys, *entries.values()
        )

    def write(self, top=0):
        return assemble(self._objects, 4, top)




def utc(*parts):
    return datetime.datetime(*parts, tzinfo=datetime.timezone.utc)



# ---- A made-up backup for the benchmark

WORDS = (
    "thank you for your message we have received your order and will ship it within two "
    "business days please find the invoice attached let us know if anything is missing "
    "our team is happy to help with returns refunds and exchanges the tracking link will "
    "follow by mail as soon as the parcel leaves the warehouse kind regards customer care"
).split()

GROUP_NAMES = ["Support", "Billing", "Shipping", "Sales", "Personal", "Legal", "Onboarding"]
SUBGROUP_NAMES = ["Replies", "Refunds", "Templates", "Short", "Follow-ups", "Escalation"]


def sentence(rng, low, high):
    words = [rng.choice(WORDS) for _ in range(rng.randint(low, high))]
    return " ".join(words).capitalize() + "."


def body(rng, serial):
    """200 to 2000 characters of paragraphs, some with placeholders; unique by serial."""
    target = rng.randint(200, 2000)
    paragraphs = [f"Reference {serial}."]
    if rng.random() < 0.4:
        paragraphs.append(
            rng.choice(
                [
                    'Dear 【field:"Name" value:"customer"】,',
                    "Sent on 【date】 at 【time:HH:mm】.",
                    "You wrote: 【clipboard】",
                    'Order 【field:"Order number"】 ships 【date:d MMMM yyyy】.',
                ]
            )
        )
    while sum(len(p) + 1 for p in paragraphs) < target:
        paragraphs.append(" ".join(sentence(rng, 6, 18) for _ in range(rng.randint(1, 4))))
    return "\n".join(paragraphs)[:target]


def rich(rng, text):
    """The text as attributed runs: mostly plain, with bold, italic, links and colour."""
    styles = [
        {},
        bold(),
        {"NSFont": Font("Helvetica-Oblique")},
        {"NSLink": URL("https://example.com/help")},
        {"NSColor": srgb(0.8, 0.1, 0.1, legacy=(0.75, 0.12, 0.1))},
        {"NSUnderline": 1},
    ]
    runs, start = [], 0
    while start < len(text):
        end = min(len(text), start + rng.randint(20, 200))
        runs.append((text[start:end], styles[0] if rng.random() < 0.6 else rng.choice(styles)))
        start = end
    return Attributed(runs, mutable=True)


def generated_snippet(rng, serial):
    text = body(rng, serial)
    content, content_type = text, 0
    if rng.random() < 0.35:
        content, content_type = rich(rng, text), 1
    label = sentence(rng, 2, 5)[:-1] if rng.random() < 0.85 else None
    created = utc(2021, 1, 1) + datetime.timedelta(seconds=rng.randint(0, 3 * 365 * 86400))
    return Snippet(
        abbreviation=f";s{serial}",
        label=label,
        content=content,
        content_type=content_type,
        created=created,
        modified=created + datetime.timedelta(days=rng.randint(0, 100)),
    )


def generated(count, seed=20240601):
    rng = random.Random(seed)
    top = [Group(name) for name in GROUP_NAMES]
    folders = list(top)
    for parent in top:
        for name in rng.sample(SUBGROUP_NAMES, rng.randint(1, 3)):
            child = Group(name)
            parent.items.append(child)
            folders.append(child)
            if rng.random() < 0.3:
                grandchild = Group("Archive")
                child.items.append(grandchild)
                folders.append(grandchild)
    items = list(top)
    for serial in range(count):
        snippet = generated_snippet(rng, serial)
        (items if rng.random() < 0.05 else rng.choice(folders).items).append(snippet)
    return backup(items)




def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("count", type=int, help="how many snippets")
    parser.add_argument("out", help="the backup file to write")
    args = parser.parse_args()
    Path(args.out).write_bytes(generated(args.count))
    return 0


if __name__ == "__main__":
    sys.exit(main())
