#!/usr/bin/env python3
"""The host package's help patchers and reference pages: they parse, and they show every message."""
import json
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

CLASSES = ("vibrel~", "vibrel-lite~")
MESSAGES = {"period", "gain", "fbgain", "brightness", "clear", "info", "params"}
INLETS = {0: "signal input", 1: "gain multiplier (signal, min: -0.99999, max: 0.99999 )"}

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def check_help(path, cls):
    patcher = json.loads(path.read_text())["patcher"]
    boxes = {b["box"]["id"]: b["box"] for b in patcher["boxes"]}
    check(len(boxes) == len(patcher["boxes"]), f"{path.name}: box ids are not unique")
    edges = []
    for line in patcher["lines"]:
        (src, outlet), (dst, inlet) = line["patchline"]["source"], line["patchline"]["destination"]
        if src not in boxes or dst not in boxes:
            check(False, f"{path.name}: a patch line names a missing box ({src} -> {dst})")
            continue
        check(0 <= outlet < boxes[src]["numoutlets"], f"{path.name}: {src} has no outlet {outlet}")
        check(0 <= inlet < boxes[dst]["numinlets"], f"{path.name}: {dst} has no inlet {inlet}")
        edges.append((src, outlet, dst, inlet))

    objects = [i for i, b in boxes.items() if b["maxclass"] == "newobj" and b.get("text", "").split()[:1] == [cls]]
    check(objects, f"{path.name}: no {cls} box")
    for i in objects:
        check(boxes[i]["numinlets"] == 3 and boxes[i]["numoutlets"] == 1, f"{path.name}: {cls} box needs 3 inlets, 1 outlet")

    # Every message reaches the object's left inlet, directly or through one object (prepend, say).
    def feeds(src, dst, depth=2):
        return any(s == src and (d == dst and n == 0 or depth > 1 and feeds(d, dst, depth - 1))
                   for s, _, d, n in edges)
    sent = {boxes[i]["text"].split()[0] for i in boxes if boxes[i]["maxclass"] == "message"
            and boxes[i].get("text") and any(feeds(i, o) for o in objects)}
    sent |= {boxes[i]["text"].split()[1] for i in boxes if boxes[i].get("text", "").startswith("prepend ")
             and any(feeds(i, o) for o in objects)}
    check(MESSAGES <= sent, f"{path.name}: no connected message box for {sorted(MESSAGES - sent)}")

    # An excitation source into inlet 0, and the sound out to ezdac~.
    def upstream(box_id, depth=3):
        found = {boxes[box_id].get("text", "").split()[0] if boxes[box_id].get("text") else boxes[box_id]["maxclass"]}
        if depth:
            for s, _, d, _ in edges:
                if d == box_id:
                    found |= upstream(s, depth - 1)
        return found
    sources = set()
    for s, _, d, n in edges:
        if d in objects and n == 0:
            sources |= upstream(s)
    check(sources & {"click~", "noise~"}, f"{path.name}: no click~ or noise~ excites the object")
    dacs = [i for i, b in boxes.items() if b["maxclass"] == "ezdac~"]
    reaches = any(s in objects and (d in dacs or any(s2 == d and d2 in dacs for s2, _, d2, _ in edges))
                  for s, _, d, _ in edges)
    check(reaches, f"{path.name}: the object's outlet does not reach ezdac~ (directly or through one gain stage)")

def check_ref(path, cls, min_period):
    root = ET.parse(path).getroot()
    check(root.tag == "c74object" and root.get("name") == cls, f"{path.name}: root is not c74object name={cls}")
    methods = {m.get("name") for m in root.iter("method")}
    check(MESSAGES <= methods, f"{path.name}: no method entry for {sorted(MESSAGES - methods)}")
    inlets = {int(i.get("id")): i.findtext("digest") for i in root.iter("inlet")}
    check(sorted(inlets) == [0, 1, 2], f"{path.name}: inlets {sorted(inlets)}, want 0, 1, 2")
    for i, text in INLETS.items():
        check(inlets.get(i) == text, f"{path.name}: inlet {i} digest {inlets.get(i)!r}, want {text!r}")
    check(inlets.get(2, "").startswith(f"delay time in samples (signal, min: {min_period}, max: "),
          f"{path.name}: inlet 2 digest {inlets.get(2)!r}")
    outlets = [o.findtext("digest") for o in root.iter("outlet")]
    check(outlets == ["signal output"], f"{path.name}: outlets {outlets}")
    check(len(list(root.iter("objarg"))) == 1, f"{path.name}: one argument expected")


def main(package):
    for cls, min_period in zip(CLASSES, ("4.0", "3.0")):
        for path, fn in ((package / "help" / f"{cls}.maxhelp", lambda p: check_help(p, cls)),
                         (package / "docs" / "refpages" / f"{cls}.maxref.xml", lambda p: check_ref(p, cls, min_period))):
            try:
                fn(path)
            except (OSError, ValueError, KeyError, ET.ParseError) as err:
                check(False, f"{path}: {err}")
    for f in failures:
        print(f)
    print("package pages:", "FAILED" if failures else "ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1])))
