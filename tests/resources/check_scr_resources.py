#!/usr/bin/env python3
"""Checks that the built saver carries exactly the committed media as its resources.

Usage: check_scr_resources.py PATH_TO_SCR MEDIA_DIR

Reads the PE resource directory and requires the eight resources, each with its
type, id and language and the bytes of its media file (a bitmap without its file
header), and no other; also the image version 2.0. Exits 1 on any failure.
"""

import os
import struct
import sys

RT_BITMAP, RT_ICON, RT_GROUP_ICON, RT_VERSION = 2, 3, 14, 16
EN_US, NEUTRAL = 0x0409, 0
BMP_FILE_HEADER = 14

# type (a str is a named type), id, language, media file
EXPECTED = [
    (RT_BITMAP, 101, EN_US, "frame101.bmp"),
    (RT_BITMAP, 102, EN_US, "frame102.bmp"),
    ("WAVE", 101, EN_US, "clip101.wav"),
    (RT_ICON, 30001, NEUTRAL, "icon30001.bin"),
    (RT_ICON, 30002, NEUTRAL, "icon30002.bin"),
    (RT_ICON, 30003, NEUTRAL, "icon30003.bin"),
    (RT_GROUP_ICON, 1, NEUTRAL, "icongroup1.bin"),
    (RT_VERSION, 1, EN_US, "version1.bin"),
]


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


class PeImage:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = u32(data, 0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        coff = pe + 4
        sections = u16(data, coff + 2)
        opt_size = u16(data, coff + 16)
        self.opt = coff + 20
        magic = u16(data, self.opt)
        if magic not in (0x10B, 0x20B):
            raise ValueError(f"unknown optional header magic {magic:#x}")
        self.image_version = (u16(data, self.opt + 44), u16(data, self.opt + 46))
        dirs = self.opt + (96 if magic == 0x10B else 112)
        self.rsrc_rva, self.rsrc_size = u32(data, dirs + 2 * 8), u32(data, dirs + 2 * 8 + 4)
        self.sections = []
        table = self.opt + opt_size
        for k in range(sections):
            s = table + 40 * k
            vsize, rva, rawsize, rawptr = struct.unpack_from("<IIII", data, s + 8)
            self.sections.append((rva, max(vsize, rawsize), rawptr, rawsize))

    def offset(self, rva):
        for start, size, rawptr, rawsize in self.sections:
            if start <= rva < start + size and rva - start < rawsize:
                return rawptr + rva - start
        raise ValueError(f"RVA {rva:#x} is not in the file")

    def resources(self):
        """(type, id, language, bytes) of every leaf of the resource tree."""
        if not self.rsrc_rva:
            return []
        base = self.offset(self.rsrc_rva)
        out = []

        def entries(dir_off):
            named, ids = u16(self.data, base + dir_off + 12), u16(self.data, base + dir_off + 14)
            for k in range(named + ids):
                e = base + dir_off + 16 + 8 * k
                name, target = u32(self.data, e), u32(self.data, e + 4)
                if name & 0x80000000:
                    at = base + (name & 0x7FFFFFFF)
                    length = u16(self.data, at)
                    name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield name, target

        for rtype, t_target in entries(0):
            for rid, i_target in entries(t_target & 0x7FFFFFFF):
                for lang, l_target in entries(i_target & 0x7FFFFFFF):
                    if l_target & 0x80000000:
                        raise ValueError("resource tree deeper than type/name/language")
                    leaf = base + l_target
                    rva, size = u32(self.data, leaf), u32(self.data, leaf + 4)
                    at = self.offset(rva)
                    out.append((rtype, rid, lang, self.data[at:at + size]))
        return out


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    try:
        with open(argv[1], "rb") as f:
            pe = PeImage(f.read())
        found = {(t, i, lang): data for t, i, lang, data in pe.resources()}
    except (OSError, ValueError, struct.error) as e:
        print(f"FAIL  cannot read the resources of {argv[1]}: {e}")
        return 1
    failures = []
    if pe.image_version != (2, 0):
        failures.append(f"image version {pe.image_version}, expected (2, 0)")
    for rtype, rid, lang, name in EXPECTED:
        with open(os.path.join(argv[2], name), "rb") as f:
            media = f.read()
        if rtype == RT_BITMAP:
            media = media[BMP_FILE_HEADER:]
        data = found.pop((rtype, rid, lang), None)
        if data is None:
            failures.append(f"missing {rtype} {rid} language {lang:#06x}")
        elif data != media:
            failures.append(f"{rtype} {rid}: {len(data)} bytes differ from {name} ({len(media)})")
        else:
            print(f"ok    {rtype} {rid} language {lang:#06x} = {name}")
    failures += [f"unexpected resource {t} {i} language {lang:#06x}" for t, i, lang in found]
    for failure in failures:
        print("FAIL  " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
