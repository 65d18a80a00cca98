#!/usr/bin/env python3
"""Checks the embedded code signature of every slice of a Mach-O file, as the system does before it
runs the code: LC_CODE_SIGNATURE -> SuperBlob -> CodeDirectory, each page hash recomputed and compared.

usage: check_signature.py <Mach-O file, thin or universal>
Prints one line per slice; exit status 0 only when every slice carries a SHA-256 CodeDirectory that
covers the whole slice up to the signature and every page matches its hash."""
import hashlib
import struct
import sys

ARCHS = {0x01000007: "x86_64", 0x0100000C: "arm64"}
LC_CODE_SIGNATURE = 0x1D
SUPERBLOB, CODEDIRECTORY = 0xFADE0CC0, 0xFADE0C02
CD_SLOTS = {0} | set(range(0x1000, 0x1005))  # the CodeDirectory and its alternates
HASHES = {1: hashlib.sha1, 2: hashlib.sha256}  # CodeDirectory hashType -> function
FLAGS = {0x2: "ad hoc", 0x20000: "linker-signed"}


def slices(data):
    """(arch, bytes) of each slice; universal headers and fat_arch entries are big-endian."""
    if struct.unpack_from(">I", data)[0] == 0xCAFEBABE:
        count = struct.unpack_from(">I", data, 4)[0]
        for i in range(count):
            cpu, _, offset, size, _ = struct.unpack_from(">iiIII", data, 8 + 20 * i)
            yield ARCHS.get(cpu, hex(cpu)), data[offset : offset + size]
    else:
        yield ARCHS.get(struct.unpack_from("<i", data, 4)[0], "?"), data


def check_directory(macho, cd, limit_expected):
    """Problems of one CodeDirectory (empty when it holds), and a description of it."""
    (magic, length, version, flags, hash_offset, ident_offset, n_special, n_code, code_limit,
     hash_size, hash_type, _, page_log2) = struct.unpack_from(">9I4B", cd)
    if magic != CODEDIRECTORY:
        return [f"CodeDirectory magic {magic:#x}"], ""
    ident = cd[ident_offset : cd.index(b"\0", ident_offset)].decode()
    hash_fn = HASHES.get(hash_type)
    if hash_fn is None or hash_fn().digest_size != hash_size:
        return [f"hash type {hash_type} of size {hash_size}"], ""
    problems = []
    if code_limit != limit_expected:  # the signature must cover everything before itself
        problems.append(f"covers {code_limit} bytes, not the {limit_expected} before the signature")
    page = 1 << page_log2 if page_log2 else code_limit
    if n_code != (code_limit + page - 1) // page:
        problems.append(f"{n_code} page hashes for {code_limit} bytes in pages of {page}")
    bad = [i for i in range(n_code)
           if hash_fn(macho[i * page : min((i + 1) * page, code_limit)]).digest()
           != cd[hash_offset + i * hash_size : hash_offset + (i + 1) * hash_size]]
    if bad:
        problems.append(f"page hash mismatch at pages {bad} (first at byte {bad[0] * page})")
    kinds = ", ".join(name for bit, name in FLAGS.items() if flags & bit) or f"flags {flags:#x}"
    return problems, f"{hash_fn().name}, {kinds}, identifier {ident}, {n_code} pages of {page} bytes"


def check_slice(macho):
    """Problems of one thin Mach-O (empty when its signature holds), and a description."""
    if struct.unpack_from("<I", macho)[0] != 0xFEEDFACF:
        return ["not a 64-bit Mach-O"], ""
    ncmds = struct.unpack_from("<I", macho, 16)[0]
    at, sig = 32, None
    for _ in range(ncmds):
        cmd, size = struct.unpack_from("<II", macho, at)
        if cmd == LC_CODE_SIGNATURE:
            sig = struct.unpack_from("<II", macho, at + 8)
        at += size
    if sig is None:
        return ["no code signature (LC_CODE_SIGNATURE)"], ""
    offset, size = sig
    blob = macho[offset : offset + size]
    magic, _, count = struct.unpack_from(">III", blob)
    if magic != SUPERBLOB:
        return [f"signature magic {magic:#x}, not a SuperBlob"], ""
    problems, found, text = [], set(), []
    for i in range(count):
        slot, blob_offset = struct.unpack_from(">II", blob, 12 + 8 * i)
        if slot in CD_SLOTS:
            p, t = check_directory(macho, blob[blob_offset:], offset)
            problems += p
            text.append(t)
            found.add(struct.unpack_from(">B", blob, blob_offset + 37)[0])
    if 2 not in found:
        problems.append("no SHA-256 CodeDirectory")
    return problems, "; ".join(text)


def main(path):
    with open(path, "rb") as f:
        data = f.read()
    ok = True
    for arch, macho in slices(data):
        problems, text = check_slice(macho)
        ok = ok and not problems
        print(f"{arch}: " + ("signature valid: " + text if not problems else "INVALID: " + "; ".join(problems)))
    return 0 if ok else 1


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
