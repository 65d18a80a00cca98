"""Checks of the host's patcher files (JSON): form, ids, patch lines, our objects' boxes, layout, text fit.

check_patcher() returns a list of (kind, text) faults; an empty list means the patcher opens cleanly.
Text is measured with Liberation Sans (Debian package fonts-liberation), whose advance widths are
Arial's: the host draws patchers in 12 pt Arial unless a box says otherwise.
"""
import struct
from pathlib import Path

OUR_OBJECTS = ("vibrel~", "vibrel-lite~")
MARGIN = 15.0             # px every box keeps from the window's edges
TEXT_INSET = 10.0         # px of a box's width the host keeps free of text (both sides together)
LINE_HEIGHT_12PT = 13.6   # px per line of 12 pt text
COMMENT_PAD = 6.0         # px a comment adds to its lines: 1 line is 20 px tall, 2 lines 33, 3 lines 47
BOX_PAD = 8.0             # px an object or message box adds: 1 line is 22 px tall, 2 lines 35
START_SOURCES = {"loadmess", "loadbang"}
LAST_CHARACTER = 0x2FFF   # characters mapped, up to the end of the general punctuation and symbols
FONT_DIRS = ("/usr/share/fonts/truetype/liberation", "/usr/share/fonts/truetype/liberation2")
FONT_FILES = {0: "LiberationSans-Regular.ttf", 1: "LiberationSans-Bold.ttf",
              2: "LiberationSans-Italic.ttf", 3: "LiberationSans-BoldItalic.ttf"}


class Font:
    """Advance widths of a TrueType font, read from its cmap (format 4), hhea, hmtx and head tables."""

    def __init__(self, path):
        data = Path(path).read_bytes()
        tables = {}
        for i in range(struct.unpack_from(">H", data, 4)[0]):
            tag, _, offset, _ = struct.unpack_from(">4sIII", data, 12 + 16 * i)
            tables[tag.decode("latin-1")] = offset
        self.units = struct.unpack_from(">H", data, tables["head"] + 18)[0]
        metrics = struct.unpack_from(">H", data, tables["hhea"] + 34)[0]
        self.advances = struct.unpack_from(f">{2 * metrics}H", data, tables["hmtx"])[::2]  # (advance, bearing)
        self.glyphs = self._cmap(data, tables["cmap"])

    @staticmethod
    def _cmap(data, cmap):
        for i in range(struct.unpack_from(">H", data, cmap + 2)[0]):
            platform, encoding, offset = struct.unpack_from(">HHI", data, cmap + 4 + 8 * i)
            sub = cmap + offset
            if (platform, encoding) == (3, 1) and struct.unpack_from(">H", data, sub)[0] == 4:
                break
        else:
            raise ValueError("font has no Unicode BMP character map")
        segments = struct.unpack_from(">H", data, sub + 6)[0] // 2
        ends = struct.unpack_from(f">{segments}H", data, sub + 14)
        starts = struct.unpack_from(f">{segments}H", data, sub + 16 + 2 * segments)
        deltas = struct.unpack_from(f">{segments}h", data, sub + 16 + 4 * segments)
        range_at = sub + 16 + 6 * segments
        ranges = struct.unpack_from(f">{segments}H", data, range_at)
        glyphs = {}
        for s in range(segments):
            for code in range(starts[s], min(ends[s], LAST_CHARACTER) + 1):
                if ranges[s] == 0:
                    glyph = (code + deltas[s]) & 0xFFFF
                else:
                    at = range_at + 2 * s + ranges[s] + 2 * (code - starts[s])
                    glyph = struct.unpack_from(">H", data, at)[0]
                    glyph = (glyph + deltas[s]) & 0xFFFF if glyph else 0
                glyphs[chr(code)] = glyph
        return glyphs

    def width(self, text, size):
        """Width in px of one line of text at `size` pt (72 dpi, as the host lays out patchers)."""
        last = len(self.advances) - 1
        units = sum(self.advances[min(self.glyphs.get(c, 0), last)] for c in text)
        return units * size / self.units


_fonts = {}


def font(face=0):
    """The font of a box's fontface (0 plain, 1 bold, 2 italic, 3 bold italic), loaded once."""
    if face not in _fonts:
        name = FONT_FILES.get(face, FONT_FILES[0])
        path = next((Path(d) / name for d in FONT_DIRS if (Path(d) / name).exists()), None)
        if path is None:
            raise FileNotFoundError(f"{name} not found in {FONT_DIRS} (Debian package fonts-liberation)")
        _fonts[face] = Font(path)
    return _fonts[face]


def line_count(text, width, size=12.0, face=0):
    """Lines the text takes when wrapped at spaces into `width` px."""
    f = font(face)
    count = 0
    for paragraph in text.split("\n"):
        line, count = "", count + 1
        for word in paragraph.split(" "):
            trial = f"{line} {word}" if line else word
            if line and f.width(trial, size) > width:
                count, line = count + 1, word
            else:
                line = trial
    return count


def text_height(lines, size=12.0, comment=True):
    return (COMMENT_PAD if comment else BOX_PAD) + lines * LINE_HEIGHT_12PT * size / 12.0


def box_text(box):
    return box.get("text", "") if isinstance(box.get("text"), str) else ""


def class_of(box):
    words = box_text(box).split()
    return words[0] if box.get("maxclass") == "newobj" and words else box.get("maxclass")


def sized_text(box, size, face):
    """(lines, least height) the box's text needs at its width."""
    x, y, w, h = box["patching_rect"]
    lines = line_count(box_text(box), w - TEXT_INSET, size, face)
    return lines, text_height(lines, size, box["maxclass"] == "comment")


def check_patcher(doc, abstractions=None):
    """Faults of one patcher document (the parsed JSON). abstractions: name -> (inlets, outlets) of the
    package's own abstractions, whose boxes must declare those counts."""
    faults = []

    def fault(kind, text):
        faults.append((kind, text))

    patcher = doc.get("patcher") if isinstance(doc, dict) else None
    if not isinstance(patcher, dict) or not isinstance(patcher.get("boxes"), list) \
            or not isinstance(patcher.get("lines"), list) or len(patcher.get("rect", [])) != 4:
        fault("form", "no top-level patcher with rect, boxes and lines")
        return faults
    boxes = {}
    for entry in patcher["boxes"]:
        box = entry.get("box") if isinstance(entry, dict) else None
        needed = ("id", "maxclass", "numinlets", "numoutlets", "patching_rect")
        if not isinstance(box, dict) or any(k not in box for k in needed) or len(box["patching_rect"]) != 4:
            fault("form", f"a box lacks one of {needed}: {box}")
            continue
        if box["id"] in boxes:
            fault("ids", f"box id {box['id']} is used twice")
        boxes[box["id"]] = box

    size = float(patcher.get("default_fontsize", 12.0))
    incoming = {}
    for entry in patcher["lines"]:
        try:
            (src, outlet), (dst, inlet) = entry["patchline"]["source"], entry["patchline"]["destination"]
        except (KeyError, TypeError, ValueError):
            fault("form", f"a patch line lacks source or destination: {entry}")
            continue
        if src not in boxes or dst not in boxes:
            fault("lines", f"a patch line names a missing box ({src} -> {dst})")
            continue
        if not 0 <= outlet < boxes[src]["numoutlets"]:
            fault("lines", f"{src} ({class_of(boxes[src])}) has no outlet {outlet}")
        if not 0 <= inlet < boxes[dst]["numinlets"]:
            fault("lines", f"{dst} ({class_of(boxes[dst])}) has no inlet {inlet}")
        incoming.setdefault(dst, []).append((src, inlet))

    for i, box in boxes.items():
        cls = class_of(box)
        if cls in OUR_OBJECTS and (box["numinlets"], box["numoutlets"], box.get("outlettype")) != (3, 1, ["signal"]):
            fault("object", f"{i}: a {cls} box declares {box['numinlets']} inlets, {box['numoutlets']} outlets "
                            f"{box.get('outlettype')}; it has 3 inlets and 1 signal outlet")
        if abstractions and cls in abstractions and (box["numinlets"], box["numoutlets"]) != abstractions[cls]:
            fault("object", f"{i}: a {cls} box declares {box['numinlets']} inlets, {box['numoutlets']} outlets; "
                            f"the abstraction has {abstractions[cls]}")
        if cls == "ezdac~" and box.get("local") != 1:
            fault("ezdac", f"{i}: ezdac~ without \"local\": 1 switches audio for every open patcher")

    # A signal into our object's gain or period inlet starts from 0 (the shortest period, or silence)
    # unless its source has an argument or a loadmess/loadbang gives it a value.
    def started(box_id, depth=3):
        words = box_text(boxes[box_id]).split()
        if class_of(boxes[box_id]) in START_SOURCES or len(words) > 1 and words[0] in ("sig~", "line~"):
            return True
        return depth > 0 and any(started(s, depth - 1) for s, _ in incoming.get(box_id, []))
    for i, box in boxes.items():
        if class_of(box) in OUR_OBJECTS:
            for src, inlet in incoming.get(i, []):
                if inlet > 0 and not started(src):
                    fault("start", f"{src} ({class_of(boxes[src])}) drives inlet {inlet} of {i} from 0 until "
                                   "clicked: give it a starting value (loadmess or loadbang)")

    _, _, width, height = patcher["rect"]
    for i, box in boxes.items():
        x, y, w, h = box["patching_rect"]
        if x < MARGIN or y < MARGIN or x + w > width - MARGIN or y + h > height - MARGIN:
            fault("window", f"{i} ({class_of(box)}) at {box['patching_rect']} is not inside the "
                            f"{width:g} x {height:g} window with a {MARGIN:g} px margin")
    ordered = list(boxes.items())
    for n, (i, a) in enumerate(ordered):
        ax, ay, aw, ah = a["patching_rect"]
        for j, b in ordered[n + 1:]:
            bx, by, bw, bh = b["patching_rect"]
            if ax < bx + bw and bx < ax + aw and ay < by + bh and by < ay + ah:
                fault("overlap", f"{i} ({class_of(a)}) and {j} ({class_of(b)}) overlap")

    for i, box in boxes.items():
        if box["maxclass"] not in ("comment", "message", "newobj") or not box_text(box):
            continue
        lines, least = sized_text(box, float(box.get("fontsize", size)), int(box.get("fontface", 0)))
        declared = box.get("linecount", 1)
        if lines > 1 and declared != lines or box["patching_rect"][3] + 0.5 < least:
            fault("text", f"{i} ({class_of(box)}): its text takes {lines} lines, {least:.0f} px; the box says "
                          f"linecount {declared}, {box['patching_rect'][3]:g} px")
    return faults
