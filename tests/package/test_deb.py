#!/usr/bin/env python3
"""The Debian package as cpack builds it: its files, its XScreenSaver panel
against the program's options and the dialog's list of intervals, its
icons, its menu entry, and lintian.

Usage: test_deb.py BUILD_DIR SOURCE_DIR
"""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

from deb_root import NAME, PROGRAM, build_and_unpack

DOC = f"usr/share/doc/{NAME}"
ICONS = (16, 32, 48)
EXPECTED = {
    f"usr/bin/{NAME}",
    f"usr/libexec/xscreensaver/{NAME}",
    f"usr/share/xscreensaver/config/{NAME}.xml",
    f"usr/share/applications/{NAME}.desktop",
    f"usr/share/man/man6/{NAME}.6.gz",
    f"usr/share/lintian/overrides/{NAME}",
    f"{DOC}/copyright",
    f"{DOC}/changelog.Debian.gz",
    f"{DOC}/changelog.gz",
} | {f"usr/share/icons/hicolor/{n}x{n}/apps/{NAME}.png" for n in ICONS}

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def switches_in(texts):
    return set(re.findall(r"(?<![\w-])--?[a-z][\w-]*", " ".join(texts)))


def main():
    build, source = Path(sys.argv[1]), Path(sys.argv[2])
    with tempfile.TemporaryDirectory() as work:
        deb, root = build_and_unpack(build, work)
        program = root / PROGRAM

        files = {str(p.relative_to(root)) for p in root.rglob("*") if p.is_symlink() or p.is_file()}
        check(files == EXPECTED, f"file list (missing {sorted(EXPECTED - files)}, extra {sorted(files - EXPECTED)})")
        link = root / "usr/bin" / NAME
        check(link.is_symlink() and not os.path.isabs(os.readlink(link))
              and link.resolve() == program.resolve(), "relative link from /usr/bin to the program")
        check(os.access(program, os.X_OK), "program is executable")

        panel = ET.parse(root / f"usr/share/xscreensaver/config/{NAME}.xml").getroot()
        check(panel.get("name") == NAME and panel.find("command").get("arg") == "--root",
              "panel names the program and runs it with --root")
        # Help is the one place where the program lists what it accepts.
        usage = subprocess.run([program, "--help"], capture_output=True, text=True)
        accepted = switches_in([usage.stdout])
        offered = switches_in([panel.find("command").get("arg")]
                              + [o.get("arg-set") for o in panel.iter("option") if o.get("arg-set")])
        check(usage.returncode == 0 and offered <= accepted,
              f"program accepts the panel's options (not accepted: {sorted(offered - accepted)})")
        for select in panel.iter("select"):
            check(sum(o.get("arg-set") is None for o in select) == 1,
                  f"one choice of '{select.get('id')}' leaves the settings file in force")
        dialog = re.findall(r'\{"([^"]+)", (\d+)\}', (source / "settings/intervals.h").read_text())
        intervals = [(o.get("_label"), o.get("arg-set")) for o in panel.find("select[@id='interval']")
                     if o.get("arg-set")]
        check(dialog and intervals == [(text, f"--interval {int(ticks) // 2}") for text, ticks in dialog],
              "panel offers the dialog's intervals, in seconds")

        for n in ICONS:
            # ImageMagick reads the whole image: a bad checksum or deflate stream fails.
            icon = root / f"usr/share/icons/hicolor/{n}x{n}/apps/{NAME}.png"
            size = subprocess.run(["identify", "-format", "%wx%h", icon], capture_output=True, text=True)
            check(size.returncode == 0 and size.stdout == f"{n}x{n}", f"{n}x{n} icon is a sound PNG of that size")

        entry = subprocess.run(["desktop-file-validate", root / f"usr/share/applications/{NAME}.desktop"],
                               capture_output=True, text=True)
        check(entry.returncode == 0 and not entry.stdout.strip(), f"menu entry validates {entry.stdout}")

        lint = subprocess.run(["lintian", "--fail-on", "error,warning", deb], capture_output=True, text=True)
        print(lint.stdout + lint.stderr, end="")
        check(lint.returncode == 0, "lintian reports no error and no warning")

    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
