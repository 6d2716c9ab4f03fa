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


def read_pe(data):
    """The image version and {(type, id, language): bytes} of every resource."""
    def u16(at):
        return struct.unpack_from("<H", data, at)[0]

    def u32(at):
        return struct.unpack_from("<I", data, at)[0]

    if data[:2] != b"MZ" or data[u32(0x3C):u32(0x3C) + 4] != b"PE\0\0":
        raise ValueError("not a PE executable")
    coff = u32(0x3C) + 4
    opt = coff + 20
    if u16(opt) not in (0x10B, 0x20B):
        raise ValueError("unknown optional header magic %#x" % u16(opt))
    version = (u16(opt + 44), u16(opt + 46))
    rsrc_rva = u32(opt + (96 if u16(opt) == 0x10B else 112) + 2 * 8)
    sections = [struct.unpack_from("<IIII", data, opt + u16(coff + 16) + 40 * k + 8)
                for k in range(u16(coff + 2))]

    def offset(rva):
        for vsize, start, rawsize, rawptr in sections:
            if start <= rva < start + max(vsize, rawsize) and rva - start < rawsize:
                return rawptr + rva - start
        raise ValueError("RVA %#x is not in the file" % rva)

    base = offset(rsrc_rva) if rsrc_rva else 0

    def entries(directory):
        for k in range(u16(base + directory + 12) + u16(base + directory + 14)):
            name, target = u32(base + directory + 16 + 8 * k), u32(base + directory + 20 + 8 * k)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                name = data[at + 2:at + 2 + 2 * u16(at)].decode("utf-16-le")
            yield name, target & 0x7FFFFFFF

    found = {}
    for rtype, names in entries(0) if rsrc_rva else ():
        for rid, languages in entries(names):
            for lang, leaf in entries(languages):
                at = offset(u32(base + leaf))
                found[(rtype, rid, lang)] = data[at:at + u32(base + leaf + 4)]
    return version, found


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    try:
        with open(argv[1], "rb") as f:
            version, found = read_pe(f.read())
    except (OSError, ValueError, struct.error) as e:
        print("FAIL  cannot read the resources of %s: %s" % (argv[1], e))
        return 1
    failures = [] if version == (2, 0) else ["image version %s, expected (2, 0)" % (version,)]
    for rtype, rid, lang, name in EXPECTED:
        with open(os.path.join(argv[2], name), "rb") as f:
            media = f.read()[BMP_FILE_HEADER if rtype == RT_BITMAP else 0:]
        data = found.pop((rtype, rid, lang), None)
        if data != media:
            failures.append("%s %s language %#06x: %s" % (rtype, rid, lang, "missing" if data is None
                            else "%d bytes differ from %s (%d)" % (len(data), name, len(media))))
    failures += ["unexpected resource %s %s language %#06x" % key for key in found]
    for failure in failures:
        print("FAIL  " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
