#!/usr/bin/env python3
"""The host package's source folder: every patcher opens cleanly (patchers.py), the help patchers show
every message, the home patcher plays in tune, the abstraction tunes with one expression, the reference
pages describe the object in the package's own category, and the description and mappings are complete."""
import json
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

from patchers import box_text, check_patcher, class_of

PACKAGE = "vibrel"
CLASSES = ("vibrel~", "vibrel-lite~")
ABSTRACTION = "vibrel.period"
PLATFORMS = {"macintosh": ["x64", "aarch64"], "windows": ["x64", "x32"]}  # the host's names
MESSAGES = {"period", "gain", "fbgain", "brightness", "clear", "info", "params"}
INLETS = {0: "signal input", 1: "gain multiplier (signal, min: -0.99999, max: 0.99999 )"}

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def graph(path):
    """Boxes by id and the patch lines (src, outlet, dst, inlet) between existing boxes."""
    patcher = json.loads(path.read_text())["patcher"]
    boxes = {b["box"]["id"]: b["box"] for b in patcher["boxes"]}
    edges = [(*line["patchline"]["source"], *line["patchline"]["destination"]) for line in patcher["lines"]]
    return boxes, [e for e in edges if e[0] in boxes and e[2] in boxes]


def of_class(boxes, cls):
    return [i for i, b in boxes.items() if class_of(b) == cls]


def reaches(edges, src, dst, inlet=None, hops=3, outlet=None):
    """Whether a path of at most `hops` patch lines leads from box src (its given outlet) to box dst."""
    for s, o, d, n in edges:
        if s == src and outlet in (None, o):
            if d == dst and inlet in (None, n) or hops > 1 and reaches(edges, d, dst, inlet, hops - 1):
                return True
    return False


def check_help(path, cls):
    boxes, edges = graph(path)
    objects = of_class(boxes, cls)
    check(objects, f"{path.name}: no {cls} box")

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
    check(any(reaches(edges, o, d, hops=2) for o in objects for d in of_class(boxes, "ezdac~")),
          f"{path.name}: the object's outlet does not reach ezdac~ (directly or through one gain stage)")


def check_home(path):
    """The tour: MIDI notes through mtof and the abstraction into the object, dspstate~'s rate into the
    abstraction, the sound to ezdac~, and the help patchers opened through pcontrol."""
    boxes, edges = graph(path)
    periods, objects = of_class(boxes, ABSTRACTION), of_class(boxes, CLASSES[0])
    check(periods and objects, f"{path.name}: no {ABSTRACTION} or {CLASSES[0]} box")
    for p in periods:
        check(any(reaches(edges, m, p, 0, 1) for m in of_class(boxes, "mtof")), f"{path.name}: mtof does not feed {p}")
        check(any(reaches(edges, d, p, 1, 1, outlet=1) for d in of_class(boxes, "dspstate~")),
              f"{path.name}: dspstate~'s sample rate does not reach {p}'s right inlet")
        check(any(reaches(edges, p, o, 0, 2) for o in objects), f"{path.name}: {p}'s period does not reach the object")
    check(any(reaches(edges, o, d, hops=2) for o in objects for d in of_class(boxes, "ezdac~")),
          f"{path.name}: the object's sound does not reach ezdac~")
    opened = {box_text(boxes[s]).split()[1] for s, _, d, _ in edges
              if d in of_class(boxes, "pcontrol") and box_text(boxes[s]).split()[:1] == ["load"]}
    wanted = {f"{cls}.maxhelp" for cls in CLASSES}
    check(wanted <= opened, f"{path.name}: pcontrol does not open {sorted(wanted - opened)}")


def check_abstraction(path):
    """Frequency (left inlet, hot) and rate (right inlet) into one expr box, its result to the outlet."""
    boxes, edges = graph(path)
    exprs = of_class(boxes, "expr")
    inlets = sorted((b["patching_rect"][0], i) for i, b in boxes.items() if b["maxclass"] == "inlet")
    outlets = [i for i, b in boxes.items() if b["maxclass"] == "outlet"]
    check(len(exprs) == 1 and len(inlets) == 2 and len(outlets) == 1,
          f"{path.name}: {len(exprs)} expr boxes, {len(inlets)} inlets, {len(outlets)} outlets; want 1, 2, 1")
    if len(exprs) == 1 and len(inlets) == 2 and outlets:
        for n, (_, i) in enumerate(inlets):
            check(reaches(edges, i, exprs[0], n, 1), f"{path.name}: inlet {n} does not feed expr inlet {n}")
        check(reaches(edges, exprs[0], outlets[0], 0, 1), f"{path.name}: expr does not feed the outlet")


def check_description(package):
    info = json.loads((package / "package-info.json").read_text())
    for key in ("max_version_min", "homepatcher"):
        check(info.get(key), f"package-info.json: no {key}")
    home = package / "extras" / info.get("homepatcher", "")
    check(home.is_file(), "package-info.json: homepatcher not in extras/")
    if home.is_file():
        check_home(home)
    for os_name, platforms in PLATFORMS.items():
        got = info.get("os", {}).get(os_name, {}).get("platform")
        check(got == platforms, f"package-info.json: {os_name} platforms {got}, want {platforms}")
    for folder, names in info.get("filelist", {}).items():
        if folder != "externals":  # the plug-ins come from the cross builds
            for name in names:
                check((package / folder / name).exists(), f"package-info.json lists {folder}/{name}, not in package/")
    mappings = (package / "init" / "objectmappings.txt").read_text().split("\n")
    for cls in CLASSES:
        check(f"max objectfile mc.{cls} mc.wrapper~ {cls};" in mappings, f"objectmappings.txt: no mc.{cls} line")
    for name in ("license.md", "readme.md"):
        check((package / name).is_file(), f"no {name}")


def check_ref(path, cls, min_period):
    root = ET.parse(path).getroot()
    check(root.tag == "c74object" and root.get("name") == cls, f"{path.name}: root is not c74object name={cls}")
    tags = [m.text for m in root.iter("metadata") if m.get("name") == "tag"]
    check(root.get("category") == PACKAGE and PACKAGE in tags and not any(t.startswith("MSP") for t in tags),
          f"{path.name}: category {root.get('category')!r}, tags {tags}: file it under {PACKAGE!r}, not the host's own")
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
    shipped = sorted(package.glob("help/*.maxhelp")) + sorted(package.glob("patchers/*.maxpat")) + \
        sorted(package.glob("extras/*.maxpat"))
    abstractions = {}
    for path in package.glob("patchers/*.maxpat"):
        boxes, _ = graph(path)
        abstractions[path.stem] = tuple(sum(b["maxclass"] == kind for b in boxes.values()) for kind in ("inlet", "outlet"))
    for path in shipped:
        try:
            for kind, text in check_patcher(json.loads(path.read_text()), abstractions):
                check(False, f"{path.name}: {kind}: {text}")
        except (OSError, ValueError) as err:
            check(False, f"{path}: {err}")
    for path, fn in [(package / "patchers" / f"{ABSTRACTION}.maxpat", check_abstraction), (package, check_description)]:
        try:
            fn(path)
        except (OSError, ValueError, KeyError) as err:
            check(False, f"{path}: {err}")
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
