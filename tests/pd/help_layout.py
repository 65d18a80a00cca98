#!/usr/bin/env python3
"""The help patches as Pd draws them at their font size (Pd's font table: 7 x 16 px a character at 12),
checked from the patch text alone: no box outside its window or overlapping another, no wire through a
box, every message above the object it drives, every window (its bars included) within a 1366 x 768
screen.

    help_layout.py FOLDER      checks every *-help.pd in FOLDER (subpatches included)

A patch with those faults is checked first: the checker must find each of them."""
import re
import sys
from pathlib import Path

# The patch reader the deken packager uses for the objects file.
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "cmake" / "archives"))
from deken_package import pd_records  # noqa: E402

FONT = {8: (5, 11), 10: (6, 13), 12: (7, 16), 16: (10, 19)}  # Pd's font table: width, height
SCREEN = (1366, 768)
BARS = 60          # a window's title bar and Pd's menu bar, above the canvas the patch sizes
WRAP = 60          # characters a box's line holds when the patch gives no width
MARGIN = (4, 5)    # the text's margins in a box, x and y
IOWIDTH = 7        # an inlet's or outlet's width
# Inlets and outlets of the objects the help patches use (others: as many as their connections show).
IO = {"vibrel~": (3, 1), "vibrel-lite~": (3, 1), "vibrel.period": (1, 1), "vibrel.period~": (1, 1),
      "vline~": (3, 1), "noise~": (1, 1), "*~": (2, 1), "+~": (2, 1), "dac~": (2, 0), "osc~": (2, 1),
      "sig~": (1, 1), "snapshot~": (1, 1), "samplerate~": (1, 1)}


def lines_of(text, width):
    """Pd's lines of a box's text: breaks after each ';', then words wrapped at width characters."""
    text = re.sub(r" ?\\([,;])", r"\1", text).replace("\\$", "$")
    out = []
    for part in re.split(r"(?<=;) ?", text):
        line = ""
        for word in part.split():
            while len(word) > width:  # a word longer than the line: broken where the line ends
                if line:
                    out.append(line)
                    line = ""
                out.append(word[:width])
                word = word[width:]
            if not line:
                line = word
            elif len(line) + 1 + len(word) <= width:
                line += " " + word
            else:
                out.append(line)
                line = word
        if line:
            out.append(line)
    return out or [""]


class Box:
    def __init__(self, kind, x, y, body, font):
        self.kind, self.x, self.y = kind, int(float(x)), int(float(y))
        fw, fh = FONT[font]
        m = re.search(r"(?<!\\), f (\d+)$", body)
        fixed = int(m[1]) if m else None
        body = body[: m.start()] if m else body
        self.name = body.split(" ")[0] if kind == "obj" else ""
        if kind == "floatatom":
            cols, rows = int(body.split(" ")[0]) or 5, 1
        else:
            text = ("pd " + body.split(" ", 1)[1]) if kind == "restore" else body
            lines = lines_of(text, fixed or WRAP)
            cols, rows = fixed or max(len(l) for l in lines), len(lines)
        self.w = cols * fw + MARGIN[0] + (4 if kind == "msg" else 0)  # a message's flag
        self.h = rows * fh + MARGIN[1]
        self.ins = self.outs = 0
        if kind in ("msg", "floatatom"):
            self.ins = self.outs = 1
        elif kind == "obj":
            words = body.split(" ")
            self.ins, self.outs = IO.get(self.name, (1, len(words) - 1) if self.name in ("t", "trigger") else (1, 0))

    def rect(self):
        return self.x, self.y, self.x + self.w, self.y + self.h

    def port(self, n, count, bottom):
        x = self.x + ((self.w - IOWIDTH) * n / (count - 1) if count > 1 else 0) + IOWIDTH / 2
        return x, self.y + (self.h if bottom else 0)


def crosses(p, q, r):
    """Whether segment p-q enters rectangle r shrunk by a pixel (Liang-Barsky clipping)."""
    x1, y1, x2, y2 = r[0] + 1, r[1] + 1, r[2] - 1, r[3] - 1
    t0, t1 = 0.0, 1.0
    dx, dy = q[0] - p[0], q[1] - p[1]
    for d, lo, hi, s in ((dx, x1, x2, p[0]), (dy, y1, y2, p[1])):
        if d == 0:
            if not lo < s < hi:
                return False
            continue
        a, b = (lo - s) / d, (hi - s) / d
        t0, t1 = max(t0, min(a, b)), min(t1, max(a, b))
    return t0 < t1


def check(text, where):
    """The faults of a patch's text, one line each."""
    faults, stack = [], []
    for rec in filter(None, pd_records(text)):
        words = rec.split(" ")
        if words[:2] == ["#N", "canvas"]:
            x, y, w, h = map(int, words[2:6])
            name = words[6] if len(stack) else "main"
            stack.append({"name": name, "size": (w, h), "boxes": [], "wires": [],
                          "font": int(words[6]) if not stack else stack[0]["font"]})
            if x + w > SCREEN[0] or y + BARS + h > SCREEN[1]:
                faults.append(f"{where} [{name}]: window {w}x{h} at {x},{y} runs off a {SCREEN[0]}x{SCREEN[1]} screen")
        elif words[0] == "#X" and words[1] in ("obj", "msg", "text", "floatatom", "restore"):
            c = stack.pop() if words[1] == "restore" else None
            if c:
                faults += layout(c, where)
            stack[-1]["boxes"].append(Box(words[1], words[2], words[3], " ".join(words[4:]), stack[-1]["font"]))
        elif words[:2] == ["#X", "connect"]:
            stack[-1]["wires"].append(tuple(map(int, words[2:6])))
    return faults + layout(stack[0], where)


def layout(c, where):
    faults, boxes, (w, h) = [], c["boxes"], c["size"]
    label = lambda b: f"{b.kind} '{b.name or b.kind}' at {b.x},{b.y}"
    for i, b in enumerate(boxes):
        x1, y1, x2, y2 = b.rect()
        if x1 < 0 or y1 < 0 or x2 > w or y2 > h:
            faults.append(f"{where} [{c['name']}]: {label(b)} ({b.w}x{b.h}) outside the {w}x{h} window")
        for o in boxes[i + 1:]:
            p, q = b.rect(), o.rect()
            if p[0] < q[2] and q[0] < p[2] and p[1] < q[3] and q[1] < p[3]:
                faults.append(f"{where} [{c['name']}]: {label(b)} overlaps {label(o)}")
    for src, outlet, dst, inlet in c["wires"]:
        a, b = boxes[src], boxes[dst]
        a.outs, b.ins = max(a.outs, outlet + 1), max(b.ins, inlet + 1)
    for src, outlet, dst, inlet in c["wires"]:
        a, b = boxes[src], boxes[dst]
        p, q = a.port(outlet, a.outs, True), b.port(inlet, b.ins, False)
        for k, o in enumerate(boxes):
            if k not in (src, dst) and crosses(p, q, o.rect()):
                faults.append(f"{where} [{c['name']}]: the wire {label(a)} -> {label(b)} runs through {label(o)}")
        if a.kind == "msg" and b.kind == "obj" and a.y + a.h > b.y:
            faults.append(f"{where} [{c['name']}]: {label(a)} is not above {label(b)}, which it drives")
    return faults


FAULTY = """#N canvas 0 0 300 200 12;
#X msg 10 10 1;
#X obj 10 60 f;
#X text 5 35 in the way;
#X obj 250 150 receive~ something;
#X obj 20 15 print;
#X connect 0 0 1 0;
"""


def main():
    found = check(FAULTY, "self-check")
    for kind in ("outside the", "overlaps", "runs through"):
        if not any(kind in f for f in found):
            sys.exit(f"help_layout.py: the checker missed a box {kind} ... in its own faulty patch:\n" + "\n".join(found))
    patches = sorted(Path(sys.argv[1]).glob("*-help.pd"))
    if not patches:
        sys.exit(f"help_layout.py: no help patches in {sys.argv[1]}")
    faults = []
    for p in patches:
        f = check(p.read_text(encoding="utf-8"), p.name)
        print(f"{p.name}: {'clean' if not f else f'{len(f)} faults'}")
        faults += f
    print("\n".join(faults))
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
