#!/usr/bin/env python3
"""Writes the named aText backups of the importer's tests, friendly and hostile.

    make_atext_backups.py OUTDIR [NAME...]    the named backups (default: all of them)
"""

import argparse
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "bench"))
from atext_archive import *  # noqa: E402,F401,F403  (the archiver's values and writers)


# ---- The named backups


def groups_and_nesting():
    address = Snippet(";addr", "Address", "1 Main Street\nSpringfield")
    thanks = Snippet(";thx", "Thanks", "Thank you for your message.")
    inner = Group("B", [Snippet(";bye", "Goodbye", "Kind regards")])
    return backup([Group("A", [address, thanks, inner])])


def one_snippet():
    # An immutable array at the root, as some versions write it.
    return archived({"Snippets": [Snippet(label="Lone", content="Just one")]})


def work_group():
    reply = Snippet(label="Reply", content="Thanks, I'm on it.")
    decline = Snippet(label="Decline", content="Sorry, not this time.")
    return backup([Group("Work", [reply, decline])])


def container_groups():
    outer = Group("Outer", [Group("Inner", [Snippet(label="Deep", content="Deep text")])])
    # Nothing usable: an empty group, objects of other classes, a snippet without text or
    # abbreviation.
    hollow = Group("Hollow", [Group("Void"), "a bare string", utc(2020, 1, 1), Snippet()])
    return backup([outer, hollow, Snippet(label="Top", content="Top level")])


def unnamed_groups():
    loose = Snippet(label="Loose", content="In the unnamed group")
    sub = Group("Sub", [Snippet(label="In sub", content="In its subgroup")])
    grand = Group("Grand", [Snippet(label="In grand", content="Two below")])
    child = Group("Child", [Snippet(label="In child", content="Below an empty name"), grand])
    nameless = Group(None, [Snippet(label="Nameless inside", content="Inherits")])
    numbered = Group(42, [Snippet(label="Numbered", content="A name that is a number")])
    unnamed = [Group(None, [loose, sub]), Group("", [child]), Group("Parent", [nameless])]
    return backup(unnamed + [numbered])


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
    plain = 'Today 【date】 at 【time:HH:mm】 for 【field:"Name" value:"Jane & co"】, '
    plain += "【field:Name】 【unknown】"
    rich = "<div>Dear 【field:&quot;Name&quot; value:&quot;A &amp; B&quot;】, 【clipboard】</div>"
    attributed = Attributed([('Dear 【field:"Client"】,', bold())])
    return backup(
        [
            Snippet(label="plain", content=plain),
            Snippet(label="rich", content=rich, content_type=4),
            Snippet(label="attributed", content=attributed, content_type=1),
            Snippet(label="plain div", content='<div>Hi 【field:"Who" value:"Tom & Jerry"】</div>'),
        ]
    )


LONG_RUN = "An italic run long enough to need two bytes for its length. " * 3

def spaced(runs):
    """The runs with an unstyled space between each two."""
    return [run for each in runs for run in ((" ", {}), each)][1:]


STYLE_RUNS = (
    [("Bold", bold()), (" ", {"NSFont": Font("Helvetica")})]
    + spaced(
        [
            ("italic", {"NSFont": Font("Menlo-Italic")}),
            ("both", {"NSFont": Font("Arial-BoldItalicMT")}),
            ("oblique", {"NSFont": Font("Helvetica-BoldOblique")}),
            ("condensed", {"NSFont": Font("HelveticaNeue-CondensedBold")}),
            ("Bolder", {"NSFont": Font("Bolder")}),  # no style part: regular
            ("under", {"NSUnderline": 1}),
            ("struck", {"NSStrikethrough": 2}),
        ]
    )
    + [("\n", {})]
    + spaced(
        [
            ("😀 page", {"NSLink": URL("page.html", URL("https://example.com/docs/"))}),
            ("mail", {"NSLink": "mailto:jane@example.com"}),
            (LONG_RUN, {"NSFont": Font("Menlo-Italic")}),
        ]
    )
    + [("end", {"NSUnderline": 1, "NSFont": Font("Helvetica-Bold")})]
)

COLOUR_SPACE_RUNS = spaced(
    [
        ("calibrated", {"NSColor": rgb(1, 0, 0, space=1)}),
        ("device", {"NSColor": rgb(0, 0, 1, space=2)}),
        ("white", {"NSColor": white(1, space=3)}),
        ("grey", {"NSColor": white(0.5, space=4)}),
        ("cmyk", {"NSColor": cmyk(0, 1, 1, 0)}),
        ("named", {"NSColor": catalog("systemGreenColor", rgb(0, 1, 0, space=2))}),
        ("textColor", {"NSColor": catalog("textColor", white(0))}),
        ("labelColor", {"NSColor": catalog("labelColor", white(0))}),
    ]
)


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
    created = utc(2019, 5, 4, 3, 2, 1, 500000)
    both = Snippet(label="both", content="x", created=created, modified=utc(2020, 1, 2, 10))
    old = Snippet(label="before 2001", content="y", created=utc(1995, 6, 15, 12, 0, 0, 250000))
    return backup([both, old, Snippet(label="neither", content="z")])


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

# Each friendly backup is named after its function: "rich-runs.atext" for rich_runs.
FRIENDLY = [groups_and_nesting, one_snippet, work_group, container_groups, unnamed_groups]
FRIENDLY += [naming_rules, placeholders, rich_runs, content_types, dates]
FIXTURES = {each.__name__.replace("_", "-") + ".atext": each for each in FRIENDLY} | HOSTILE


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", help="the folder for the backups")
    parser.add_argument("names", nargs="*", help="which backups (default: all)")
    args = parser.parse_args()

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
