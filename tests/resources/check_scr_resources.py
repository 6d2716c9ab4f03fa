#!/usr/bin/env python3
"""Checks the resources compiled into the built saver.

Usage: check_scr_resources.py PATH_TO_SCR

Reads the PE resource directory of the executable and checks that it holds exactly
the saver's eight resources (types, ids, languages, sizes) and that each one has the
required layout; also the image version 2.0 in the optional header. Prints what it
checked; exits 1 on any failure.
"""

import struct
import sys

RT_BITMAP, RT_ICON, RT_GROUP_ICON, RT_VERSION = 2, 3, 14, 16
EN_US, NEUTRAL = 0x0409, 0

# (type, id, language, size); a str type is a named type
EXPECTED = [
    (RT_BITMAP, 101, EN_US, 65064),
    (RT_BITMAP, 102, EN_US, 65064),
    ("WAVE", 101, EN_US, 32004),
    (RT_ICON, 30001, NEUTRAL, 1384),
    (RT_ICON, 30002, NEUTRAL, 2216),
    (RT_ICON, 30003, NEUTRAL, 3752),
    (RT_GROUP_ICON, 1, NEUTRAL, 48),
    (RT_VERSION, 1, EN_US, 1024),
]

ICONS = [(16, 1384, 320, 30001), (32, 2216, 1152, 30002), (48, 3752, 2688, 30003)]

STATIC_COLOURS = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
    (128, 0, 128), (0, 128, 128), (192, 192, 192), (192, 220, 192), (166, 202, 240),
    (255, 251, 240), (160, 160, 164), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

STRING_KEYS = ["Comments", "CompanyName", "FileDescription", "LegalCopyright", "ProductName",
               "FileVersion", "ProductVersion", "InternalName", "OriginalFilename"]
FIXED_STRINGS = {
    "ProductName": "Vorlan Screen Saver 2",
    "FileVersion": "2.00",
    "ProductVersion": "2.00",
    "InternalName": "Vorlan Screen Saver 2",
    "OriginalFilename": "Vorlan Screen Saver 2.scr",
}


class Checker:
    def __init__(self):
        self.failures = 0

    def check(self, ok, what):
        print(("ok    " if ok else "FAIL  ") + what)
        if not ok:
            self.failures += 1
        return ok

    def equal(self, actual, expected, what):
        if actual == expected:
            return self.check(True, f"{what} = {expected!r}")
        return self.check(False, f"{what}: expected {expected!r}, found {actual!r}")


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


def type_name(t):
    names = {RT_BITMAP: "RT_BITMAP", RT_ICON: "RT_ICON", RT_GROUP_ICON: "RT_GROUP_ICON", RT_VERSION: "RT_VERSION"}
    return f'"{t}"' if isinstance(t, str) else names.get(t, str(t))


def check_info_header(c, b, at, width, height, size_image, what):
    fields = struct.unpack_from("<IiiHHIIiiII", b, at)
    c.equal(fields, (40, width, height, 1, 8, 0, size_image, 0, 0, 0, 0), f"{what} BITMAPINFOHEADER")


def check_frames(c, f101, f102):
    for name, b in (("bitmap 101", f101), ("bitmap 102", f102)):
        check_info_header(c, b, 0, 200, 320, 64000, name)
        cube = bytearray()
        for i in range(256):
            r, g, bl = (51 * ((i // 6) % 6), 51 * (i // 36), 51 * (i % 6)) if i < 216 else (0, 0, 0)
            cube += bytes((bl, g, r, 0))
        c.check(b[40:1064] == bytes(cube), f"{name} colour table is the 6x6x6 cube then black")
        pixels = b[1064:]
        c.check(max(pixels) < 216, f"{name} uses only entries 0..215")
        c.check(pixels[0] == 0 and pixels[199] == 0 and pixels[-1] == 0 and pixels[-200] == 0,
                f"{name} corners are the black background")
    c.check(f101[:1064] == f102[:1064], "bitmaps 101 and 102 have identical headers and colour tables")
    c.check(f101[1064:] != f102[1064:], "bitmaps 101 and 102 show different poses")


def check_wave(c, b):
    c.equal(b[0:4], b"RIFF", "WAVE chunk id")
    c.equal(u32(b, 4), 31994, "WAVE RIFF size")
    c.equal(b[8:16], b"WAVEfmt ", "WAVE form type and fmt chunk id")
    c.equal(struct.unpack_from("<IHHIIHH", b, 16), (16, 1, 1, 11025, 11025, 1, 8),
            "WAVE fmt (size, PCM, mono, rate, bytes/s, align, bits)")
    c.equal(b[36:40], b"data", "WAVE data chunk id")
    c.equal(u32(b, 40), 31957, "WAVE data size")
    c.equal(b[32001:32004], b"\0\0\0", "WAVE pad byte and two trailing bytes")
    samples = b[44:44 + 31957]
    lead = next((i for i, v in enumerate(samples) if v != 128), len(samples))
    tail = next((i for i, v in enumerate(reversed(samples)) if v != 128), len(samples))
    c.equal((lead, tail), (616, 524), "WAVE silent head and tail samples")


def check_icons(c, group, images):
    c.equal(struct.unpack_from("<HHH", group, 0), (0, 1, 3), "group icon 1 header (reserved, type, count)")
    tables = []
    for k, (size, nbytes, size_image, icon_id) in enumerate(ICONS):
        c.equal(struct.unpack_from("<BBBBHHIH", group, 6 + 14 * k), (size, size, 0, 0, 1, 8, nbytes, icon_id),
                f"group icon 1 entry {k + 1}")
        b = images.get(icon_id)
        if b is None:
            c.check(False, f"icon {icon_id} present")
            continue
        check_info_header(c, b, 0, size, 2 * size, size_image, f"icon {icon_id}")
        tables.append(b[40:1064])
        mask_start = 1064 + size * size
        c.equal(len(b) - mask_start, (size + 31) // 32 * 4 * size, f"icon {icon_id} mask size")
        c.check(not any(b[mask_start:]), f"icon {icon_id} mask is all opaque")
    if tables:
        c.check(all(t == tables[0] for t in tables), "icon colour tables are identical")
        statics = [bytes((bl, g, r, 0)) for r, g, bl in STATIC_COLOURS]
        t = tables[0]
        c.check([t[4 * i:4 * i + 4] for i in list(range(10)) + list(range(246, 256))] == statics,
                "icon colour table holds the twenty static system colours at 0..9 and 246..255")


def parse_version_node(b, start, limit):
    length, value_length, vtype = struct.unpack_from("<HHH", b, start)
    if length < 6 or start + length > limit:
        raise ValueError(f"version node at {start} overruns its parent")
    end_key = start + 6
    while u16(b, end_key):
        end_key += 2
    key = b[start + 6:end_key].decode("utf-16-le")
    value = (end_key + 2 + 3) & ~3
    value_bytes = 2 * value_length if vtype == 1 else value_length
    children = []
    child = (value + value_bytes + 3) & ~3
    while child < start + length:
        node = parse_version_node(b, child, start + length)
        children.append(node)
        child = (child + node["length"] + 3) & ~3
    return {"length": length, "value_length": value_length, "type": vtype, "key": key,
            "value": b[value:value + value_bytes], "children": children}


def check_version(c, b):
    try:
        root = parse_version_node(b, 0, len(b))
    except (ValueError, struct.error) as e:
        c.check(False, f"version block parses: {e}")
        return
    c.equal((root["key"], root["type"], root["value_length"]), ("VS_VERSION_INFO", 0, 52), "version root node")
    c.check(not any(b[root["length"]:]), f"version block zero-padded after its {root['length']} bytes")
    fixed = struct.unpack("<13I", root["value"])
    c.equal(fixed, (0xFEEF04BD, 0x00010000, 0x00020000, 0, 0x00020000, 0, 0, 0, 4, 1, 0, 0, 0),
            "VS_FIXEDFILEINFO")
    kids = root["children"]
    c.equal([k["key"] for k in kids], ["VarFileInfo", "StringFileInfo"], "version children in order")
    if len(kids) != 2:
        return
    var = kids[0]["children"]
    c.check(len(var) == 1 and var[0]["key"] == "Translation" and var[0]["value"] == struct.pack("<HH", 0x0409, 0x04B0),
            "Translation = 0x0409, 0x04B0")
    tables = kids[1]["children"]
    c.equal([t["key"] for t in tables], ["040904B0"], "string tables")
    if not tables:
        return
    strings = tables[0]["children"]
    c.equal([s["key"] for s in strings], STRING_KEYS, "string keys in order")
    values = {s["key"]: s["value"].decode("utf-16-le").rstrip("\0") for s in strings}
    for key, expected in FIXED_STRINGS.items():
        c.equal(values.get(key), expected, f'"{key}"')
    c.check(bool(values.get("Comments")) and values.get("Comments") == values.get("FileDescription"),
            f'"Comments" = "FileDescription" = {values.get("Comments")!r}')
    c.check(bool(values.get("CompanyName")) and bool(values.get("LegalCopyright")),
            f'"CompanyName" = {values.get("CompanyName")!r}, "LegalCopyright" = {values.get("LegalCopyright")!r}')


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    c = Checker()
    try:
        with open(argv[1], "rb") as f:
            pe = PeImage(f.read())
        found = pe.resources()
    except (OSError, ValueError, struct.error) as e:
        print(f"FAIL  cannot read the resources of {argv[1]}: {e}")
        return 1
    print(f"checking {argv[1]}")
    c.equal(pe.image_version, (2, 0), "image version in the optional header")

    table = sorted(((type_name(t), i, lang, len(data)) for t, i, lang, data in found), key=repr)
    expected = sorted(((type_name(t), i, lang, size) for t, i, lang, size in EXPECTED), key=repr)
    for row in expected:
        c.check(row in table, "resource %s %d language %#06x, %d bytes" % row)
    for row in table:
        if row not in expected:
            c.check(False, "no other resource, but found %s %s language %#06x, %d bytes" % row)
    c.equal(len(found), len(EXPECTED), "number of resources")

    data = {(t, i): d for t, i, lang, d in found}
    if (RT_BITMAP, 101) in data and (RT_BITMAP, 102) in data:
        check_frames(c, data[(RT_BITMAP, 101)], data[(RT_BITMAP, 102)])
    if ("WAVE", 101) in data:
        check_wave(c, data[("WAVE", 101)])
    if (RT_GROUP_ICON, 1) in data:
        check_icons(c, data[(RT_GROUP_ICON, 1)], {i: d for (t, i), d in data.items() if t == RT_ICON})
    if (RT_VERSION, 1) in data:
        check_version(c, data[(RT_VERSION, 1)])

    print(f"{c.failures} failure(s)" if c.failures else "all resource checks passed")
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
