#!/usr/bin/env python3
"""The archive makers on a library of fake externals: the deken package opened as deken would open it and
matched as deken's plug-in matches it to the Pd that searches, the packages it refuses, and the zip's
reproducibility; and the archives the build made."""
import hashlib
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, sys.argv.pop(1))  # cmake/archives
from deken_package import make_package  # noqa: E402
from reproducible_zip import write_zip  # noqa: E402

CLASSES = ["vibrel~", "vibrel-lite~"]
# Per deken architecture, the endings of its externals' file names (both of Pd's name forms, where two).
FILES = {"Linux-amd64-32": [".linux-amd64-32.so", ".l_amd64"], "Linux-amd64-64": [".linux-amd64-64.so"],
         "Linux-arm64-32": [".linux-arm64-32.so", ".l_arm64"], "Linux-arm64-64": [".linux-arm64-64.so"],
         "Linux-armv7l-32": [".linux-armv7-32.so", ".l_arm"],
         "Windows-amd64-32": [".windows-amd64-32.dll", ".m_amd64"], "Windows-amd64-64": [".windows-amd64-64.dll"],
         "Darwin-amd64-32": [".darwin-fat-32.so", ".d_fat"], "Darwin-arm64-32": [".darwin-fat-32.so", ".d_fat"],
         "Darwin-amd64-64": [".darwin-fat-64.so"], "Darwin-arm64-64": [".darwin-fat-64.so"]}
# The package the build made (target vibrel_deken), when VIBREL_DEKEN_DIR names its folder, and its version.
BUILT = os.environ.get("VIBREL_DEKEN_DIR")
VERSION = os.environ.get("VIBREL_VERSION", "3.2.0")
# ./dev test makes every archive: there a missing one fails; a plain build's tests skip it, saying why.
REQUIRE_ALL = os.environ.get("VIBREL_REQUIRE_ALL", "") not in ("", "0")
# A decoy DESCRIPTION outside [pd META]; the real one escaped, wrapped and with a box width.
HELP = """#N canvas 0 50 600 400 12;
#N canvas 0 0 300 200 DESCRIPTION 0;
#X text 10 10 DESCRIPTION not the META one;
#X restore 20 90 pd DESCRIPTION;
#N canvas 700 50 400 200 META 0;
#X text 10 30 DESCRIPTION a plucked string \\, {taps} taps
per sample, f 40;
#X restore 20 60 pd META;
"""


def built(test, pattern, target):
    """The archives in BUILT whose names match pattern: none (a plain build) skips the test."""
    found = sorted(Path(BUILT).glob(pattern))
    if not found and not REQUIRE_ALL:
        test.skipTest(f"the target {target} has not been built (it needs .ci/cross.sh first): nothing in {BUILT}")
    return found


def library(root):
    lib = Path(root) / "vibrel"
    lib.mkdir()
    for taps, cls in zip((8, 6), CLASSES):
        for ending in sum(FILES.values(), []):
            (lib / (cls + ending)).write_bytes(cls.encode())
        (lib / f"{cls}-help.pd").write_text(HELP.format(taps=taps))
    (lib / "README.txt").write_text("read me\n")
    return lib


class Deken(unittest.TestCase):
    def test_opens_as_deken_reads_it(self):
        with tempfile.TemporaryDirectory() as root:
            self.check_opens(make_package("vibrel", VERSION, library(root), root, list(FILES)),
                             "vibrel-lite~\ta plucked string, 6 taps per sample\n"
                             "vibrel~\ta plucked string, 8 taps per sample\n")

    @unittest.skipUnless(BUILT, "VIBREL_DEKEN_DIR not set")
    def test_the_built_package_opens_and_holds_what_the_readme_promises(self):
        deks = built(self, "vibrel[[]v*.dek", "vibrel_deken")
        self.assertEqual(len(deks), 1, f"one package in {BUILT} (build the target vibrel_deken)")
        dek = deks[0]
        self.assertEqual(re.findall(r"\(([^()]+)\)", dek.name), list(FILES))  # every system, in this order
        objects = Path(f"{dek}.txt").read_text()
        self.assertRegex(objects, r"^vibrel-lite~\t[^\n]+\nvibrel.period\t[^\n]+\nvibrel.period~\t[^\n]+\n"
                                  r"vibrel~\t[^\n]+\n$")
        self.check_opens(dek, objects)
        with zipfile.ZipFile(dek) as z:
            names = set(z.namelist())
        for f in ["README.txt", "license.md"] + [f"{c}-help.pd" for c in CLASSES + ["vibrel.period", "vibrel.period~"]] + \
                 ["vibrel.period.pd", "vibrel.period~.pd"]:
            self.assertIn(f"vibrel/{f}", names)

    def check_opens(self, dek, objects):
        """dek as deken reads it: its name parsed into architectures, each with every class's externals."""
        m = re.match(r"^([^\[\]()]+)\[v([^\]]+)\]((\([^()]+\))+)\.dek$", dek.name)
        self.assertEqual((m[1], m[2]), ("vibrel", VERSION))
        named = re.findall(r"\(([^()]+)\)", m[3])
        with zipfile.ZipFile(dek) as z:
            names = z.namelist()
        self.assertEqual({n.split("/")[0] for n in names}, {"vibrel"})
        externals = {n[len("vibrel/"):] for n in names if n.startswith(tuple(f"vibrel/{c}." for c in CLASSES))}
        # every named architecture's externals for every class, and nothing of another architecture
        self.assertEqual(externals, {c + e for a in named for c in CLASSES for e in FILES[a]})
        self.assertEqual(Path(f"{dek}.sha256").read_text(), hashlib.sha256(dek.read_bytes()).hexdigest())
        self.assertEqual(Path(f"{dek}.txt").read_text(), objects)
        self.check_deken_matches(dek.name)

    def check_deken_matches(self, name):
        """Every Pd we build for finds the package usable, as deken's plug-in decides it; others do not."""
        archs = deken_archs(name)
        for system, cpu, floatsize in PD_PLATFORMS:
            with self.subTest(pd=f"{system}-{cpu}-{floatsize}"):
                self.assertTrue(deken_match(archs, system, cpu, floatsize), name)
        for system, cpu, floatsize in [("Windows", "i386", "32"), ("Linux", "armv7", "64"), ("Darwin", "ppc", "32"),
                                       ("Linux", "i386", "32"), ("FreeBSD", "amd64", "32")]:
            self.assertFalse(deken_match(archs, system, cpu, floatsize), f"{system}-{cpu}-{floatsize}")

    def test_refuses_a_name_that_would_misdescribe_the_package(self):
        for archs, extra, message in [(list(FILES)[1:], None, "externals are for"),
                                      (list(FILES), "vibrel~.windows-i386-32.dll", "vibrel-lite~: no external for"),
                                      (list(FILES), "vibrel~.pd_linux", "does not say")]:
            with self.subTest(message), tempfile.TemporaryDirectory() as root:
                lib = library(root)
                if extra:
                    (lib / extra).write_bytes(b"")
                with self.assertRaisesRegex(ValueError, message):
                    make_package("vibrel", "3.2.0", lib, root, archs)
                self.assertEqual(list(Path(root).glob("*.dek")), [])


# The first bytes of every kind of binary the archives ship: ELF, PE, Mach-O (64-bit and universal).
BINARIES = (b"\x7fELF", b"MZ", b"\xcf\xfa\xed\xfe", b"\xca\xfe\xba\xbe")
# A debug section in `llvm-objdump --section-headers`: DWARF of ELF and PE (.debug_*, compressed .zdebug_*),
# of Mach-O (__debug_* in segment __DWARF).
DEBUG_SECTION = re.compile(r"^\s*\d+\s+((?:\.z?debug_|__debug_|__DWARF)\S*)", re.M)


class Shipped(unittest.TestCase):
    @unittest.skipUnless(BUILT, "VIBREL_DEKEN_DIR not set")
    def test_the_built_archives_hold_no_debug_section_and_no_path_of_the_build(self):
        """Nothing of the machine that built them: neither the source, build nor cross build folder's path
        in any member's bytes, and no debug section in any binary (VIBREL_BUILD_PATHS, VIBREL_OBJDUMP)."""
        archives = (built(self, "vibrel[[]v*.dek", "vibrel_deken") + built(self, "vibrel-*-max.zip", "vibrel_max_zip")
                    + built(self, "vibrel-*-supercollider.zip", "vibrel_sc_zip"))
        self.assertEqual(len(archives), 3, f"the deken, host and SuperCollider packages in {BUILT}")
        paths = [p for p in os.environ["VIBREL_BUILD_PATHS"].split(os.pathsep) if p]
        # each as it is and as symbol names spell it (dlltool's "_head__tmp_x_build_...")
        paths = [form.encode() for p in paths for form in (p, re.sub(r"[^A-Za-z0-9]", "_", p))]
        binaries = 0
        with tempfile.TemporaryDirectory() as scratch:
            for archive in archives:
                with zipfile.ZipFile(archive) as z:
                    for info in z.infolist():
                        data, where = z.read(info), f"{archive.name}: {info.filename}"
                        for p in paths:
                            self.assertFalse(p in data, f"{where} holds {p.decode()}")
                        if data.startswith(BINARIES):
                            binaries += 1
                            member = Path(scratch) / "member"
                            member.write_bytes(data)
                            sections = subprocess.run([os.environ["VIBREL_OBJDUMP"], "--section-headers", member],
                                                      capture_output=True, text=True, check=True).stdout
                            self.assertEqual(DEBUG_SECTION.findall(sections), [], where)
        self.assertGreater(binaries, 0)


# Deken's plug-in (deken-plugin.tcl of Pd's package manager): ::deken::utilities::parse_filename of a .dek
# name, and ::deken::architecture_match with its CPU substitutes, against the platform Pd tells it (OS, CPU
# as Pd names it, float size).
DEKEN_SUBSTITUTES = {"x86_64": ["amd64"], "amd64": ["x86_64"], "i686": ["i586", "i386"], "i586": ["i386"],
                     "armv6": ["armv6l", "arm"], "armv6l": ["armv6", "arm"],
                     "armv7": ["armv7l", "armv6l", "armv6", "arm"], "armv7l": ["armv7", "armv6l", "armv6", "arm"],
                     "powerpc": ["ppc"], "ppc": ["powerpc"]}
# The Pds the package serves, as they describe themselves to deken.
PD_PLATFORMS = [("Linux", "amd64", "32"), ("Linux", "amd64", "64"), ("Linux", "arm64", "32"), ("Linux", "arm64", "64"),
                ("Linux", "armv7", "32"), ("Linux", "armv7l", "32"), ("Windows", "amd64", "32"),
                ("Windows", "amd64", "64"), ("Darwin", "amd64", "32"), ("Darwin", "arm64", "32"),
                ("Darwin", "amd64", "64"), ("Darwin", "arm64", "64")]


def deken_archs(filename):
    m = re.match(r"^([^\[\]\(\)]+)((\[[^\[\]\(\)]+\])*)((\([^\[\]\(\)]+\))*).*\.dek$", filename)
    if not m or any(not o.startswith("v") for o in re.split(r"[\[\]]", m[2])[1::2]):
        return None  # deken ignores the file
    return re.split(r"[()]", m[4])[1::2]


def deken_match(archs, system, machine, floatsize):
    if not archs:
        return archs == []  # no architecture: usable everywhere (None: not a package)
    if m := re.search(r"(armv[0-9]*)[lL]", machine):
        machine = m[1]
    for arch in archs:
        if not (m := re.match(r"(.*)-(.*)-(.*)", arch)):
            continue
        os_, cpu, fs = m.groups()
        if a := re.search(r"(armv[0-9]*)[^0-9]*", cpu):
            cpu = a[1]
        if os_ == system and fs in (floatsize, "0") and (cpu == machine or cpu in DEKEN_SUBSTITUTES.get(machine, [])):
            return True
    return False


class ReproducibleZip(unittest.TestCase):
    def test_same_files_same_bytes_whatever_their_times(self):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            for root in (a, b):
                (library(root) / "README.txt").chmod(0o755)
            os.utime(Path(b) / "vibrel" / "README.txt", (1e9, 1e9))
            write_zip(Path(a) / "vibrel", Path(a) / "1.zip")
            write_zip(Path(b) / "vibrel", Path(b) / "2.zip")
            self.assertEqual((Path(a) / "1.zip").read_bytes(), (Path(b) / "2.zip").read_bytes())
            with zipfile.ZipFile(Path(a) / "1.zip") as z:
                self.assertEqual(z.getinfo("vibrel/README.txt").external_attr >> 16, 0o100755)
                self.assertEqual({(i.date_time, i.extra) for i in z.infolist()}, {((1980, 1, 1, 0, 0, 0), b"")})


if __name__ == "__main__":
    unittest.main()
