#!/usr/bin/env python3
"""A folder as a zip archive that is the same bytes on every build of the same files: entries sorted by
name, one fixed time stamp, fixed permissions (executables keep their executable bit), no extra fields,
no comment. The archive holds the folder itself (unzipping it makes <folder name>/...), with a .sha256
beside it in the form `sha256sum -c` reads.

    reproducible_zip.py <folder> <archive>
"""
import hashlib
import os
import sys
import zipfile
from pathlib import Path

STAMP = (1980, 1, 1, 0, 0, 0)  # the earliest time a zip entry can hold; nothing of the build's clock
UNIX = 3                       # "made by" system: the high 16 bits of the attributes are Unix permissions
DIRECTORY = 0o040755
EXECUTABLE = 0o100755
PLAIN = 0o100644
MSDOS_DIRECTORY = 0x10


def entries(folder):
    """(name in the archive, path or None for a directory), sorted by name; refuses links and
    anything else that is neither file nor folder, whose meaning a zip cannot keep."""
    folder = Path(folder)
    found = [(folder.name + "/", None)]
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = Path(root) / name
            if path.is_symlink() or not (path.is_dir() or path.is_file()):
                raise ValueError(f"{path}: neither a plain file nor a folder")
            arcname = path.relative_to(folder.parent).as_posix()
            found.append((arcname + "/", None) if path.is_dir() else (arcname, path))
    return sorted(found)


def write_zip(folder, archive):
    """Writes archive (replacing it only once complete) from folder."""
    archive = Path(archive)
    partial = archive.with_name(archive.name + ".partial")
    with zipfile.ZipFile(partial, "w") as z:
        for arcname, path in entries(folder):
            info = zipfile.ZipInfo(arcname, date_time=STAMP)
            info.create_system = UNIX
            if path is None:
                info.external_attr = DIRECTORY << 16 | MSDOS_DIRECTORY
                z.writestr(info, b"")
            else:
                info.external_attr = (EXECUTABLE if os.stat(path).st_mode & 0o111 else PLAIN) << 16
                z.writestr(info, path.read_bytes(), compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    os.replace(partial, archive)


def write_checksum(path):
    """Writes <path>.sha256: "<hex digest>  <file name>"."""
    path = Path(path)
    digest = hashlib.sha256(path.read_bytes()).hexdigest()
    Path(str(path) + ".sha256").write_text(f"{digest}  {path.name}\n")
    return digest


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    folder, archive = argv[1:]
    if not Path(folder).is_dir():
        sys.exit(f"{folder}: not a folder")
    write_zip(folder, archive)
    print(f"{archive}: {write_checksum(archive)}")


if __name__ == "__main__":
    main(sys.argv)
