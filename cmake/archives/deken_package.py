#!/usr/bin/env python3
"""A Pd library folder as a deken package: LIB[vVERSION](OS-CPU-FLOATSIZE)(...).dek, a zip holding the one
folder LIB/ (the same bytes from the same files, reproducible_zip.py), its .dek.sha256 (the digest alone,
as deken writes it), and the objects file .dek.txt ("object<TAB>description" per object, from the DESCRIPTION in each help patch's [pd META]).

The archive's name lists exactly the architectures of the externals inside, read from their file names;
every class has an external for each of them. A universal macOS file counts as each of its slices. --arch names the ones the build meant to ship, in the
order the name lists them: a package whose files say otherwise is refused.

    deken_package.py --name LIB --version VERSION --folder DIR/LIB --out OUTDIR [--arch OS-CPU-FLOATSIZE ...]
"""
import argparse
import hashlib
import re
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from reproducible_zip import write_zip  # noqa: E402

# Pd 0.54+ names an external NAME.<os>-<cpu>-<floatsize>.<so|dll>: its deken specifier lowercased
# (sys_deken_specifier, s_inter.c), where 32-bit ARM is "armv" and the architecture version (armv7, armv6)
# and a universal macOS file is "fat". deken spells the same architectures Linux, Darwin, Windows and, for
# ARM, with the byte order: armv7l.
OS_NAMES = {"linux": "Linux", "darwin": "Darwin", "windows": "Windows"}
CPU_NAMES = {"amd64": "amd64", "i386": "i386", "arm64": "arm64", "armv7": "armv7l", "armv6": "armv6l",
             "fat": "fat", "ppc": "ppc"}
NEW_NAME = re.compile(r"^(?P<cls>.+)\.(?P<os>[a-z]+)-(?P<cpu>[a-z0-9]+)-(?P<fs>32|64|0)\.(?P<ext>so|dll)$")
# The names Pd 0.51-0.53 look for, float 32 only: .l_ Linux, .d_ macOS, .m_ Windows; "arm" is any 32-bit ARM
# (we build armv7 only).
CLASSIC = {"l_amd64": "Linux-amd64-32", "l_i386": "Linux-i386-32", "l_arm64": "Linux-arm64-32",
           "l_arm": "Linux-armv7l-32", "d_fat": "Darwin-fat-32", "d_amd64": "Darwin-amd64-32",
           "d_arm64": "Darwin-arm64-32", "m_amd64": "Windows-amd64-32", "m_i386": "Windows-i386-32"}
# The slices of our universal macOS files (cmake/macos/universal.cmake). Pd tells deken its CPU as amd64 or
# arm64, and deken's matching knows no "fat": such a file is named by its slices, as deken's own packager does.
FAT_SLICES = ("amd64", "arm64")
# Files that are externals but say nothing of the architecture: a package cannot name what they hold.
UNNAMED = re.compile(r"\.(so|dll|pd_linux|pd_darwin|dylib)$")
ARCH = re.compile(r"^(Linux|Darwin|Windows)-[a-z0-9]+-(32|64|0)$")


def slices(arch):
    """The deken architectures of one file's OS-CPU-FLOATSIZE: a universal file's slices, else itself."""
    system, cpu, floatsize = arch.split("-")
    return [f"{system}-{c}-{floatsize}" for c in FAT_SLICES] if cpu == "fat" else [arch]


def architecture(filename):
    """(class, [deken architecture...]) of an external's file name, None if the file is no external."""
    m = NEW_NAME.match(filename)
    if m:
        if m["os"] not in OS_NAMES or m["cpu"] not in CPU_NAMES:
            raise ValueError(f"{filename}: an external for a system Pd does not name so")
        return m["cls"], slices(f"{OS_NAMES[m['os']]}-{CPU_NAMES[m['cpu']]}-{m['fs']}")
    stem, dot, ext = filename.rpartition(".")
    if dot and ext in CLASSIC:
        return stem, slices(CLASSIC[ext])
    if UNNAMED.search(filename):
        raise ValueError(f"{filename}: an external whose name does not say its architecture")
    return None


def externals(folder):
    """{class: {architecture}} of every external in folder and its subfolders."""
    found = {}
    for path in sorted(Path(folder).rglob("*")):
        if path.is_file() and (arch := architecture(path.name)):
            found.setdefault(arch[0], set()).update(arch[1])
    return found


def pd_records(text):
    """The records of a Pd patch file: its ';'-ended messages (unescaped ';' only), lines joined."""
    records, current, escaped = [], [], False
    for ch in text:
        if ch == ";" and not escaped:
            records.append(" ".join("".join(current).split()))
            current = []
        else:
            current.append(ch)
        escaped = ch == "\\" and not escaped
    return records


def comment_text(atoms):
    """A comment's text as Pd shows it: escapes undone, ", f WIDTH" (the box width) dropped."""
    text = re.sub(r"(?<!\\)\s*,\s*f\s+\d+$", "", atoms).strip()
    text = re.sub(r"\\([,;$\\])", r"\1", text)
    return re.sub(r" ([,;])", r"\1", text)


def description(patch):
    """DESCRIPTION from the [pd META] subpatch of a help patch, None if it has none."""
    depth_of_meta, depth = None, 0
    for record in pd_records(Path(patch).read_text(encoding="utf-8", errors="replace")):
        words = record.split(" ")
        if words[:2] == ["#N", "canvas"]:
            depth += 1
            if depth_of_meta is None and len(words) >= 7 and words[6] == "META":
                depth_of_meta = depth
        elif words[:2] == ["#X", "restore"]:
            if depth == depth_of_meta:
                depth_of_meta = None
            depth -= 1
        elif depth_of_meta is not None and words[:2] == ["#X", "text"] and words[4:5] == ["DESCRIPTION"]:
            return comment_text(" ".join(words[5:]))
    return None


def objects(folder, classes):
    """[(object, description)] from every NAME-help.pd in folder; each class must have one."""
    found = {}
    for help_patch in sorted(Path(folder).glob("*-help.pd")):
        text = description(help_patch)
        if text:
            found[help_patch.name[: -len("-help.pd")]] = " ".join(text.split())
    missing = sorted(set(classes) - set(found))
    if missing:
        raise ValueError(f"no help patch with a [pd META] DESCRIPTION for {', '.join(missing)}")
    return sorted(found.items())


def package_name(name, version, archs):
    return f"{name}[v{version}]" + "".join(f"({a})" for a in archs) + ".dek"


def make_package(name, version, folder, out, archs=None):
    """Writes the .dek, .dek.sha256 and .dek.txt into out; returns the .dek's path."""
    folder = Path(folder)
    if folder.name != name:
        raise ValueError(f"{folder}: the folder must be named {name}")
    found = externals(folder)
    if not found:
        raise ValueError(f"{folder}: no externals")
    inside = set().union(*found.values())
    for cls, have in sorted(found.items()):
        if have != inside:
            raise ValueError(f"{cls}: no external for {', '.join(sorted(inside - have))}")
    if archs is None:
        archs = sorted(inside)
    for a in archs:
        if not ARCH.match(a):
            raise ValueError(f"{a}: not an OS-CPU-FLOATSIZE architecture")
    if len(set(archs)) != len(archs) or set(archs) != inside:
        raise ValueError(f"the package was to hold {' '.join(archs)}; its externals are for {' '.join(sorted(inside))}")
    lines = objects(folder, found)
    dek = Path(out) / package_name(name, version, archs)
    write_zip(folder, dek)
    Path(str(dek) + ".sha256").write_text(hashlib.sha256(dek.read_bytes()).hexdigest())
    Path(str(dek) + ".txt").write_text("".join(f"{o}\t{d}\n" for o, d in lines), encoding="utf-8")
    return dek


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--name", required=True)
    p.add_argument("--version", required=True)
    p.add_argument("--folder", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("--arch", action="append")
    a = p.parse_args()
    try:
        print(make_package(a.name, a.version, a.folder, a.out, a.arch))
    except ValueError as e:
        sys.exit(f"deken_package.py: {e}")


if __name__ == "__main__":
    main()
