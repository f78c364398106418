#!/usr/bin/env python3
"""Reads a gzip file or a zip archive with Python's own modules and prints what
it found as JSON, so that the tests compare our output with an independent reader."""
import gzip
import hashlib
import json
import struct
import sys
import zipfile


def sha256_of(stream):
    digest = hashlib.sha256()
    size = 0
    while True:
        block = stream.read(1 << 20)
        if not block:
            break
        digest.update(block)
        size += len(block)
    return digest.hexdigest(), size


def check_gzip(path):
    with open(path, "rb") as f:
        head = f.read(32)
        flags, mtime, xfl, os_byte, xlen = head[3], struct.unpack("<I", head[4:8])[0], head[8], head[9], \
            struct.unpack("<H", head[10:12])[0]
        si1, si2, length, csize, usize = head[12], head[13], struct.unpack("<H", head[14:16])[0], \
            struct.unpack("<Q", head[16:24])[0], struct.unpack("<Q", head[24:32])[0]
        name = None
        if flags & 0x08:
            raw = b""
            while True:
                c = f.read(1)
                if c in (b"", b"\0"):
                    break
                raw += c
            name = raw.decode("latin-1" if os_byte == 0 else "utf-8")
    with gzip.open(path, "rb") as g:
        digest, size = sha256_of(g)
        python_mtime = g.mtime
    return {"flags": flags, "mtime": mtime, "python_mtime": python_mtime, "xfl": xfl, "os": os_byte,
            "xlen": xlen, "si1": si1, "si2": si2, "len": length, "csize": csize, "usize": usize,
            "name": name, "sha256": digest, "size": size}


def check_zip(path):
    with zipfile.ZipFile(path) as z:
        bad = z.testzip()
        entries = []
        for info in z.infolist():
            with z.open(info) as member:
                digest, size = sha256_of(member)
            entries.append({"name": info.filename, "flags": info.flag_bits, "method": info.compress_type,
                            "crc": info.CRC, "size": info.file_size, "csize": info.compress_size,
                            "date_time": list(info.date_time), "external_attr": info.external_attr,
                            "create_version": info.create_version, "extract_version": info.extract_version,
                            "sha256": digest, "read_size": size})
        names = z.namelist()
    return {"bad": bad, "entries": entries, "names": names}


if __name__ == "__main__":
    kind, path = sys.argv[1], sys.argv[2]
    result = check_gzip(path) if kind == "gzip" else check_zip(path)
    print(json.dumps(result, ensure_ascii=True))
