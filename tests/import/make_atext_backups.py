#!/usr/bin/env python3
"""Writes aText backups for the importer's tests and benchmarks.

An aText backup is a keyed archive (the object graph format of Apple's NSKeyedArchiver)
stored as a binary property list. This script archives Python values the way Apple's
archiver does and writes them with plistlib; the hostile files that plistlib cannot or
will not write come from a small binary property-list writer of its own.

    make_atext_backups.py OUTDIR [NAME...]       the named backups (default: all of them)
    make_atext_backups.py --generated N OUTFILE  one made-up backup of N snippets
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


# ---- The named backups


def utc(*parts):
    return datetime.datetime(*parts, tzinfo=datetime.timezone.utc)


def groups_and_nesting():
    return backup(
        [
            Group(
                "A",
                [
                    Snippet(";addr", "Address", "1 Main Street\nSpringfield"),
                    Snippet(";thx", "Thanks", "Thank you for your message."),
                    Group("B", [Snippet(";bye", "Goodbye", "Kind regards")]),
                ],
            )
        ]
    )


def one_snippet():
    # An immutable array at the root, as some versions write it.
    return archived({"Snippets": [Snippet(label="Lone", content="Just one")]})


def work_group():
    return backup(
        [
            Group(
                "Work",
                [
                    Snippet(label="Reply", content="Thanks, I'm on it."),
                    Snippet(label="Decline", content="Sorry, not this time."),
                ],
            )
        ]
    )


def container_groups():
    return backup(
        [
            Group("Outer", [Group("Inner", [Snippet(label="Deep", content="Deep text")])]),
            # Nothing usable: an empty group, objects of other classes, a snippet without
            # text or abbreviation.
            Group("Hollow", [Group("Void"), "a bare string", utc(2020, 1, 1), Snippet()]),
            Snippet(label="Top", content="Top level"),
        ]
    )


def unnamed_groups():
    return backup(
        [
            Group(
                None,
                [
                    Snippet(label="Loose", content="In the unnamed group"),
                    Group("Sub", [Snippet(label="In sub", content="In its subgroup")]),
                ],
            ),
            Group(
                "",
                [
                    Group(
                        "Child",
                        [
                            Snippet(label="In child", content="Below an empty name"),
                            Group("Grand", [Snippet(label="In grand", content="Two below")]),
                        ],
                    )
                ],
            ),
            Group("Parent", [Group(None, [Snippet(label="Nameless inside", content="Inherits")])]),
            Group(42, [Snippet(label="Numbered", content="A name that is a number")]),
        ]
    )


LONG_LINE = "Ça va très bien, merci à toi ; à bientôt chez nous, au revoir et bonne journée !"

# (label, abbreviation, content, content type), in the order the tests expect them.
NAMING_CASES = [
    ("  Greeting\t", ";hi", "Hello", None),
    (" \t ", "Sig", "Best regards,\nJane", None),
    (None, ";sig", "Best regards,\nJane", None),
    (None, "my sig", "Best regards,\nJane", None),
    (None, None, "Hello there", None),
    (None, "   ", "Blank abbreviation", None),
    (None, None, None, None),  # dropped
    ("Orphan label", None, " \n\t ", None),  # dropped: the label doesn't save it
    (None, ";empty", None, None),
    (None, ";long", LONG_LINE + "\nsecond line", None),
    (None, ";ph", "【date】 is the day\nsecond", None),
    (None, ";abcdefghijkl", "Thirteen characters", None),
    (None, ";abcdefghijk", "Twelve characters\nmore", None),
    (None, ";ééééééééééé", "Twelve characters, 23 bytes\nmore", None),
    (None, "  ;pad\t", "Padded trigger", None),
    (None, ";nl", "\nSecond line", None),
    (None, ";ind", " \tIndented first\nnext", None),
    (None, ";cr", "Old Mac line\rnext", None),
    (None, ";crlf", "Windows line\r\nnext", None),
    (None, ";ls", "Unicode line\u2028next", None),
    (None, "Émile", "Bonjour\nÉmile", None),
    (None, "9lives", "Nine lives\nmore", None),
    (None, ";rich", "<div>Rich <b>first</b> line</div><div>second</div>", 4),
]


def naming_rules():
    return backup([Snippet(a, l, c, t) for l, a, c, t in NAMING_CASES])


def placeholders():
    return backup(
        [
            Snippet(
                label="plain",
                content='Today 【date】 at 【time:HH:mm】 for 【field:"Name" value:"Jane & co"】, '
                "【field:Name】 【unknown】",
            ),
            Snippet(
                label="rich",
                content="<div>Dear 【field:&quot;Name&quot; value:&quot;A &amp; B&quot;】, "
                "【clipboard】</div>",
                content_type=4,
            ),
            Snippet(
                label="attributed",
                content=Attributed([('Dear 【field:"Client"】,', bold())]),
                content_type=1,
            ),
            Snippet(
                label="plain div",
                content='<div>Hi 【field:"Who" value:"Tom & Jerry"】</div>',
            ),
        ]
    )


LONG_RUN = "An italic run long enough to need two bytes for its length. " * 3

STYLE_RUNS = [
    ("Bold", bold()),
    (" ", {"NSFont": Font("Helvetica")}),
    ("italic", {"NSFont": Font("Menlo-Italic")}),
    (" ", {}),
    ("both", {"NSFont": Font("Arial-BoldItalicMT")}),
    (" ", {}),
    ("oblique", {"NSFont": Font("Helvetica-BoldOblique")}),
    (" ", {}),
    ("condensed", {"NSFont": Font("HelveticaNeue-CondensedBold")}),
    (" ", {}),
    ("Bolder", {"NSFont": Font("Bolder")}),  # no style part: regular
    (" ", {}),
    ("under", {"NSUnderline": 1}),
    (" ", {}),
    ("struck", {"NSStrikethrough": 2}),
    ("\n", {}),
    ("😀 page", {"NSLink": URL("page.html", URL("https://example.com/docs/"))}),
    (" ", {}),
    ("mail", {"NSLink": "mailto:jane@example.com"}),
    (" ", {}),
    (LONG_RUN, {"NSFont": Font("Menlo-Italic")}),
    ("end", {"NSUnderline": 1, "NSFont": Font("Helvetica-Bold")}),
]

COLOUR_SPACE_RUNS = [
    ("calibrated", {"NSColor": rgb(1, 0, 0, space=1)}),
    (" ", {}),
    ("device", {"NSColor": rgb(0, 0, 1, space=2)}),
    (" ", {}),
    ("white", {"NSColor": white(1, space=3)}),
    (" ", {}),
    ("grey", {"NSColor": white(0.5, space=4)}),
    (" ", {}),
    ("cmyk", {"NSColor": cmyk(0, 1, 1, 0)}),
    (" ", {}),
    ("named", {"NSColor": catalog("systemGreenColor", rgb(0, 1, 0, space=2))}),
    (" ", {}),
    ("textColor", {"NSColor": catalog("textColor", white(0))}),
    (" ", {}),
    ("labelColor", {"NSColor": catalog("labelColor", white(0))}),
]


def rich_runs():
    return backup(
        [
            Snippet(label="styles", content=Attributed(STYLE_RUNS, mutable=True), content_type=1),
            Snippet(
                label="exact colour",
                content=Attributed(
                    [("sky", {"NSColor": srgb(0, 0.5, 1, legacy=(0.1, 0.4, 0.9))}), (" plain", {})]
                ),
                content_type=1,
            ),
            Snippet(label="colour spaces", content=Attributed(COLOUR_SPACE_RUNS), content_type=1),
        ]
    )


def content_types():
    bold_text = Attributed([("Fish & chips", bold())])
    return backup(
        [
            Snippet(label="attributed 0", content=bold_text, content_type=0),
            Snippet(label="attributed 4", content=bold_text, content_type=4),
            Snippet(label="attributed 7", content=bold_text, content_type=7),
            Snippet(label="string 4", content="<div>Hello</div>", content_type=4),
            Snippet(label="string 1", content="Plain in type one", content_type=1),
            Snippet(label="string 3", content="Type three", content_type=3),
            Snippet(label="div start", content='  <DIV class="note">Hi</DIV>'),
            Snippet(label="p start", content="\n<p>Para</p>"),
            Snippet(label="pre start", content="<pre>code</pre>"),
            Snippet(label="divider start", content="<divider>x</divider>"),
            Snippet(label="mutable", content=MutableString("Mutable text")),
            Snippet(label="by reference", content="<div>By ref</div>", content_type=Number(4)),
            Snippet(abbreviation=";when", content=utc(2020, 2, 2)),
            Snippet(abbreviation=";none"),
        ]
    )


def dates():
    return backup(
        [
            Snippet(
                label="both",
                content="x",
                created=utc(2019, 5, 4, 3, 2, 1, 500000),
                modified=utc(2020, 1, 2, 10),
            ),
            Snippet(label="before 2001", content="y", created=utc(1995, 6, 15, 12, 0, 0, 250000)),
            Snippet(label="neither", content="z"),
        ]
    )


# ---- Hostile backups: each must be refused with one sentence, changing nothing


def cycle():
    loop = Group("Loop", [Snippet(label="In the loop", content="x")])
    loop.items.append(loop)
    return backup([loop])


def mutual_cycle():
    first, second = Group("First"), Group("Second")
    first.items = [Snippet(label="One", content="1"), second]
    second.items = [Snippet(label="Two", content="2"), first]
    return backup([first])


def finish_archive(plist, top, entries, root):
    """Fills in the archive's frame of a FlatPlist: `entries` are the plist indexes of
    "$objects", `root` the entry "$top" names."""
    frame = {
        "$archiver": plist.scalar("NSKeyedArchiver"),
        "$version": plist.scalar(100000),
        "$top": plist.add(plist.dictionary({"root": plist.scalar(UID(root))})),
        "$objects": plist.add(FlatPlist.array(entries)),
    }
    plist.put(top, plist.dictionary(frame))
    return plist.write(top)


def deep_groups(depth=300_000):
    # Entries 0 to 11 are the root, the classes and the innermost snippet (entry 9); group
    # k sits at entry 12 + 2k with its Items array right after it, holding group k + 1.
    p = FlatPlist()
    top = p.add()
    uid = lambda entry: p.scalar(UID(entry))
    uids = lambda *entries: p.add(FlatPlist.array([uid(e) for e in entries]))
    instance = lambda fields: p.add(p.dictionary(fields))

    def class_entry(*chain):
        names = p.add(FlatPlist.array([p.scalar(name) for name in chain]))
        return instance({"$classes": names, "$classname": p.scalar(chain[0])})

    first = 12
    entries = [
        p.scalar("$null"),
        instance({"$class": uid(2), "NS.keys": uids(3), "NS.objects": uids(4)}),
        class_entry("NSDictionary", "NSObject"),
        p.scalar("Snippets"),
        instance({"$class": uid(5), "NS.objects": uids(first)}),
        class_entry("NSMutableArray", "NSArray", "NSObject"),
        class_entry("SnippetGroup", "NSObject"),
        p.scalar("Level"),
        class_entry("Snippet", "NSObject"),
        instance({"$class": uid(8), "Label": uid(10), "Content": uid(11)}),
        p.scalar("Deepest"),
        p.scalar("x"),
    ]
    # A million objects: packed by hand, with the shared keys and values looked up once.
    group_fields = [p.scalar(k) for k in ("$class", "Name", "Items")] + [uid(6), uid(7)]
    items_fields = [p.scalar(k) for k in ("$class", "NS.objects")] + [uid(5)]
    fresh_uid = lambda entry: p.add(struct.pack(">BI", 0x83, entry))
    for level in range(depth):
        group = first + 2 * level
        inner = group + 2 if level + 1 < depth else 9
        items = fresh_uid(group + 1)
        entries.append(p.add(struct.pack(">B6I", 0xD3, *group_fields, items)))
        members = p.add(struct.pack(">BI", 0xA1, fresh_uid(inner)))
        entries.append(p.add(struct.pack(">B4I", 0xD2, *items_fields, members)))
    return finish_archive(p, top, entries, root=1)


def deep_arrays(depth=300_000):
    # The root object is a property-list array nested `depth` deep.
    p = FlatPlist()
    top = p.add()
    nested = p.add(FlatPlist.array([]))
    for _ in range(depth):
        nested = p.add(FlatPlist.array([nested]))
    return finish_archive(p, top, [p.scalar("$null"), nested], root=1)


def shared_groups(levels=60):
    # Each level holds the next one twice: copying instead of sharing gives 2^60 snippets.
    group = Group("Bottom", [Snippet(label="Shared", content="x")])
    for _ in range(levels):
        group = Group("Level", [group, group])
    return backup([group])


def shared_arrays(levels=60):
    # The root object: property-list arrays, each holding the next one twice.
    p = FlatPlist()
    top = p.add()
    shared = p.add(FlatPlist.array([p.scalar("leaf")]))
    for _ in range(levels):
        shared = p.add(FlatPlist.array([shared, shared]))
    return finish_archive(p, top, [p.scalar("$null"), shared], root=1)


def with_frame(change):
    """A small valid backup with one thing changed in its archive."""
    frame = backup_archive([Snippet(label="Victim", content="x")])
    change(frame)
    return binary_plist(frame)


def snippets_array(frame):
    """The array object of the root's "Snippets" entry."""
    root = frame["$objects"][frame["$top"]["root"].data]
    key = next(i for i, k in enumerate(root["NS.keys"]) if frame["$objects"][k.data] == "Snippets")
    return frame["$objects"][root["NS.objects"][key].data]


def item_out_of_range(frame):
    snippets_array(frame)["NS.objects"].append(UID(9999))


def label_claims_huge_length(frame):
    objects = frame["$objects"]
    huge = RawObject(b"\x5f\x13" + (1 << 62).to_bytes(8, "big") + b"Victim")
    objects[objects.index("Victim")] = huge


def items_claim_huge_count(frame):
    huge = RawObject(b"\xaf\x13" + (1 << 40).to_bytes(8, "big") + b"\x01\x01")
    snippets_array(frame)["NS.objects"] = huge


def offset_out_of_range():
    data = bytearray(binary_plist(backup_archive([Snippet(label="Victim", content="x")])))
    offset_size, ref_size, count, top, table = struct.unpack(">6xBBQQQ", data[-32:])
    last = table + (count - 1) * offset_size
    data[last : last + offset_size] = (len(data) + 1000).to_bytes(offset_size, "big")
    return bytes(data)


def nul_in_utf16():
    # An array holding one UTF-16 string with a NUL inside it: 61 bytes in all.
    data = binary_plist(["été\0null"])
    assert len(data) == 61, len(data)
    return data


def truncated(fraction):
    whole = groups_and_nesting()
    return whole[: int(len(whole) * fraction)]


HOSTILE = {
    "hostile-empty.atext": lambda: b"",
    "hostile-not-a-plist.atext": lambda: b"This is not a property list, just text.\n",
    "hostile-root-array.atext": lambda: archived(MutableArray([Snippet(content="Stray")])),
    "hostile-root-null.atext": lambda: with_frame(lambda f: f["$top"].update(root=UID(0))),
    "hostile-no-snippets.atext": lambda: archived({"Items": MutableArray([Snippet(content="x")])}),
    "hostile-snippets-string.atext": lambda: archived({"Snippets": "Snippets"}),
    "hostile-snippets-dictionary.atext": lambda: archived({"Snippets": {"a": Snippet(content="x")}}),
    "hostile-group-cycle.atext": cycle,
    "hostile-mutual-cycle.atext": mutual_cycle,
    "hostile-deep-groups.atext": deep_groups,
    "hostile-shared-groups.atext": shared_groups,
    "hostile-deep-arrays.atext": deep_arrays,
    "hostile-shared-arrays.atext": shared_arrays,
    "hostile-item-out-of-range.atext": lambda: with_frame(item_out_of_range),
    "hostile-root-out-of-range.atext": lambda: with_frame(
        lambda f: f["$top"].update(root=UID(9999))
    ),
    "hostile-offset-out-of-range.atext": offset_out_of_range,
    "hostile-truncated-half.atext": lambda: truncated(0.5),
    "hostile-truncated-trailer.atext": lambda: groups_and_nesting()[:-1],
    "hostile-nul-in-utf16.atext": nul_in_utf16,
    "hostile-huge-string.atext": lambda: with_frame(label_claims_huge_length),
    "hostile-huge-array.atext": lambda: with_frame(items_claim_huge_count),
}

FIXTURES = {
    "groups-and-nesting.atext": groups_and_nesting,
    "one-snippet.atext": one_snippet,
    "work-group.atext": work_group,
    "container-groups.atext": container_groups,
    "unnamed-groups.atext": unnamed_groups,
    "naming-rules.atext": naming_rules,
    "placeholders.atext": placeholders,
    "rich-runs.atext": rich_runs,
    "content-types.atext": content_types,
    "dates.atext": dates,
    **HOSTILE,
}


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
    parser.add_argument("--generated", type=int, metavar="N", help="write one made-up backup")
    parser.add_argument("out", help="the folder for named backups, or the generated file")
    parser.add_argument("names", nargs="*", help="which named backups (default: all)")
    args = parser.parse_args()

    if args.generated is not None:
        Path(args.out).write_bytes(generated(args.generated))
        return 0
    unknown = [name for name in args.names if name not in FIXTURES]
    if unknown:
        print("unknown backups: " + ", ".join(unknown), file=sys.stderr)
        return 2
    folder = Path(args.out)
    folder.mkdir(parents=True, exist_ok=True)
    for name in args.names or FIXTURES:
        (folder / name).write_bytes(FIXTURES[name]())
    return 0


if __name__ == "__main__":
    sys.exit(main())
