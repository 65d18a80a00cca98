#!/usr/bin/env python3
"""The patcher checker on planted faults: a shipped help patcher passes, and one fault of each kind,
planted in a copy of it, is reported under that kind."""
import copy
import json
import sys
import unittest
from pathlib import Path

from patchers import check_patcher, class_of

HELP = Path(sys.argv.pop(1)) / "help" / "vibrel~.maxhelp"


def boxes(doc, cls):
    return [b["box"] for b in doc["patcher"]["boxes"] if class_of(b["box"]) == cls]


def first(doc, cls):
    return boxes(doc, cls)[0]


def long_comment(doc):
    return next(b for b in boxes(doc, "comment") if b.get("linecount", 1) > 1)


def drop_start(doc):
    """Removes the loadmess lines that give the signal demo's sig~ its starting value."""
    ids = {b["id"] for b in boxes(doc, "loadmess")}
    doc["patcher"]["lines"] = [l for l in doc["patcher"]["lines"] if l["patchline"]["source"][0] not in ids]


def line_to(doc, cls, **change):
    """The first patch line into a box of class cls, changed."""
    target = {b["id"] for b in boxes(doc, cls)}
    line = next(l["patchline"] for l in doc["patcher"]["lines"] if l["patchline"]["destination"][0] in target)
    for end, value in change.items():
        line[end] = value(line[end])


FAULTS = [  # kind, what is planted
    ("form", lambda d: d["patcher"].pop("lines")),
    ("form", lambda d: first(d, "button").pop("patching_rect")),
    ("ids", lambda d: first(d, "button").update(id=first(d, "comment")["id"])),
    ("lines", lambda d: line_to(d, "*~", source=lambda s: ["obj-999", s[1]])),
    ("lines", lambda d: line_to(d, "*~", source=lambda s: [s[0], 5])),
    ("lines", lambda d: line_to(d, "vibrel~", destination=lambda e: [e[0], 3])),
    ("object", lambda d: first(d, "vibrel~").update(numinlets=2)),
    ("object", lambda d: first(d, "vibrel~").update(outlettype=[""])),
    ("ezdac", lambda d: first(d, "ezdac~").pop("local")),
    ("start", drop_start),
    ("window", lambda d: first(d, "ezdac~")["patching_rect"].__setitem__(1, d["patcher"]["rect"][3] - 30)),
    ("overlap", lambda d: first(d, "button").update(patching_rect=list(first(d, "click~")["patching_rect"]))),
    ("text", lambda d: long_comment(d).pop("linecount")),
    ("text", lambda d: long_comment(d)["patching_rect"].__setitem__(3, 20.0)),
]


class PlantedFaults(unittest.TestCase):
    def setUp(self):
        self.doc = json.loads(HELP.read_text())

    def test_the_shipped_patcher_passes(self):
        self.assertEqual(check_patcher(self.doc), [])

    def test_each_planted_fault_is_reported_under_its_kind(self):
        for n, (kind, plant) in enumerate(FAULTS):
            with self.subTest(fault=n, kind=kind):
                doc = copy.deepcopy(self.doc)
                plant(doc)
                kinds = {k for k, _ in check_patcher(doc)}
                self.assertIn(kind, kinds)

    def test_an_abstraction_box_must_declare_the_abstractions_counts(self):
        self.assertIn("object", {k for k, _ in check_patcher(self.doc, {"click~": (2, 1)})})


if __name__ == "__main__":
    unittest.main(verbosity=2)
