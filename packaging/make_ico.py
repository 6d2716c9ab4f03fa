#!/usr/bin/env python3
"""Writes the saver's icon as an .ico file, for the Windows installer's
entry in Apps: the directory of the icon group (RT_GROUP_ICON) with each
image's resource id replaced by its offset in the file, then the images
(RT_ICON) in the group's order.

Usage: make_ico.py MEDIA_DIR OUTPUT"""

import os
import struct
import sys


def main(media, output):
    with open(os.path.join(media, "icongroup1.bin"), "rb") as f:
        group = f.read()
    count = struct.unpack_from("<H", group, 4)[0]
    entries = [group[6 + 14 * i:20 + 14 * i] for i in range(count)]
    images = []
    for entry in entries:
        with open(os.path.join(media, "icon%d.bin" % struct.unpack_from("<H", entry, 12)), "rb") as f:
            images.append(f.read())
    ico, offset = bytearray(group[:6]), 6 + 16 * count
    for entry, image in zip(entries, images):
        ico += entry[:8] + struct.pack("<II", len(image), offset)
        offset += len(image)
    with open(output, "wb") as f:
        f.write(ico + b"".join(images))


if __name__ == "__main__":
    main(*sys.argv[1:])
