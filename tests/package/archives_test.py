#!/usr/bin/env python3
"""The archive makers on a small library of fake externals: the deken package opened as deken would open
it (the name parsed into architectures, each with every class's externals inside, nothing else, the
checksum, the objects file), the packages it refuses, and the zip's reproducibility."""
import hashlib
import os
import re
import shutil
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, sys.argv.pop(1))  # cmake/archives
from deken_package import make_package  # noqa: E402
from reproducible_zip import write_zip  # noqa: E402

CLASSES = ["vibrel~", "vibrel-lite~"]
# Per deken architecture, the file name endings of its externals (both Pd name forms where they exist).
FILES = {
    "Linux-amd64-32": [".linux-amd64-32.so", ".l_amd64"],
    "Linux-amd64-64": [".linux-amd64-64.so"],
    "Linux-armv7l-32": [".linux-armv7-32.so", ".l_arm"],
    "Windows-amd64-32": [".windows-amd64-32.dll", ".m_amd64"],
    "Darwin-fat-64": [".darwin-fat-64.so"],
}
HELP = """#N canvas 0 50 600 400 12;
#X obj 20 20 {cls};
#N canvas 0 0 300 200 DESCRIPTION 0;
#X text 10 10 DESCRIPTION not the META one;
#X restore 20 90 pd DESCRIPTION;
#N canvas 700 50 400 200 META 0;
#X text 10 10 LICENSE MIT;
#X text 10 30 DESCRIPTION a plucked string \\, {order} taps
per sample, f 40;
#X text 10 50 INLET_0 signal;
#X restore 20 60 pd META;
"""
DEKEN_NAME = re.compile(r"^(?P<lib>[^\[\]()]+)\[v(?P<version>[^\]]+)\](?P<archs>(\([^()]+\))+)\.dek$")


def library(root, archs=FILES):
    lib = Path(root) / "vibrel"
    lib.mkdir()
    for order, cls in zip((8, 6), CLASSES):
        for endings in archs.values():
            for ending in endings:
                (lib / (cls + ending)).write_bytes(cls.encode() + ending.encode())
        (lib / f"{cls}-help.pd").write_text(HELP.format(cls=cls, order=order))
    (lib / "vibrel.period.pd").write_text("#N canvas 0 50 450 300 12;\n")
    (lib / "README.txt").write_text("read me\n")
    return lib


class Deken(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.tmp)

    def make(self, lib, archs):
        out = Path(self.tmp) / "out"
        out.mkdir(exist_ok=True)
        return make_package("vibrel", "3.2.0", lib, out, archs)

    def test_opens_as_deken_reads_it(self):
        archs = list(FILES)
        dek = self.make(library(self.tmp), archs)
        m = DEKEN_NAME.match(dek.name)
        self.assertTrue(m, dek.name)
        self.assertEqual((m["lib"], m["version"]), ("vibrel", "3.2.0"))
        named = re.findall(r"\(([^()]+)\)", m["archs"])
        self.assertEqual(named, archs)
        with zipfile.ZipFile(dek) as z:
            names = z.namelist()
        self.assertEqual({n.split("/")[0] for n in names}, {"vibrel"})
        externals = {n.split("/")[-1] for n in names if n.startswith(tuple(f"vibrel/{c}." for c in CLASSES))}
        expected = {cls + ending for a in named for cls in CLASSES for ending in FILES[a]}
        self.assertEqual(externals, expected)  # each named architecture's files for every class, no others
        digest, file = Path(str(dek) + ".sha256").read_text().split()
        self.assertEqual((digest, file), (hashlib.sha256(dek.read_bytes()).hexdigest(), dek.name))
        self.assertEqual(Path(str(dek) + ".txt").read_text(),
                         "vibrel-lite~\ta plucked string, 6 taps per sample\n"
                         "vibrel~\ta plucked string, 8 taps per sample\n")

    def test_refuses_a_package_its_name_would_misdescribe(self):
        cases = {
            "an architecture not named": (lambda lib: None, list(FILES)[:-1], "externals are for"),
            "a named architecture absent": (lambda lib: None, list(FILES) + ["Linux-arm64-32"], "externals are for"),
            "a class without one architecture": (
                lambda lib: (lib / "vibrel~.linux-arm64-32.so").write_bytes(b"x"), list(FILES), "no external for"),
            "an external that names no architecture": (
                lambda lib: (lib / "vibrel~.pd_linux").write_bytes(b"x"), list(FILES), "does not say"),
            "a class without a description": (
                lambda lib: (lib / "vibrel~-help.pd").write_text("#N canvas 0 50 450 300 12;\n"), list(FILES),
                "DESCRIPTION for vibrel~$"),
        }
        for why, (spoil, archs, message) in cases.items():
            with self.subTest(why), tempfile.TemporaryDirectory() as root:
                lib = library(root)
                spoil(lib)
                with self.assertRaisesRegex(ValueError, message):
                    self.make(lib, archs)
                self.assertEqual(list((Path(self.tmp) / "out").glob("*.dek")), [])


class ReproducibleZip(unittest.TestCase):
    def test_same_files_same_bytes_whatever_their_times_and_order(self):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            first = library(a)
            second = library(b, dict(reversed(list(FILES.items()))))  # made in another order
            for lib in (first, second):
                (lib / "bundle" / "Contents" / "MacOS").mkdir(parents=True)
                tool = lib / "bundle" / "Contents" / "MacOS" / "tool"
                tool.write_bytes(b"\x7fELF")
                tool.chmod(0o755)
            os.utime(second / "README.txt", (1e9, 1e9))
            write_zip(first, Path(a) / "1.zip")
            write_zip(second, Path(b) / "2.zip")
            self.assertEqual((Path(a) / "1.zip").read_bytes(), (Path(b) / "2.zip").read_bytes())
            with zipfile.ZipFile(Path(a) / "1.zip") as z:
                infos = z.infolist()
            self.assertEqual([i.filename for i in infos], sorted(i.filename for i in infos))
            for i in infos:
                mode = i.external_attr >> 16
                self.assertEqual((i.date_time, i.extra), ((1980, 1, 1, 0, 0, 0), b""), i.filename)
                expected = 0o40755 if i.is_dir() else 0o100755 if i.filename.endswith("/tool") else 0o100644
                self.assertEqual(mode, expected, i.filename)


if __name__ == "__main__":
    unittest.main()
