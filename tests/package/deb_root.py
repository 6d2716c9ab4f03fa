#!/usr/bin/env python3
"""Builds the Debian package from a native build tree and unpacks it, for
tests that run the program as the package installs it (the XScreenSaver
end-to-end test among them).

    from deb_root import build_and_unpack
    pkg = build_and_unpack(build_dir, work_dir)   # pkg.deb, pkg.root, pkg.program, pkg.xml

or from a shell, printing NAME=path lines for `eval`:

    tests/package/deb_root.py BUILD_DIR WORK_DIR
"""
import shlex
import subprocess
import sys
from dataclasses import dataclass
from pathlib import Path

NAME = "vorlan-screen-saver-2"


@dataclass
class DebRoot:
    deb: Path
    root: Path

    @property
    def program(self):
        return self.root / "usr/libexec/xscreensaver" / NAME

    @property
    def xml(self):
        return self.root / "usr/share/xscreensaver/config" / f"{NAME}.xml"


def run(command):
    done = subprocess.run([str(c) for c in command], capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"{command[0]} failed ({done.returncode}):\n{done.stdout}{done.stderr}")
    return done.stdout


def build_and_unpack(build_dir, work_dir):
    build_dir, work_dir = Path(build_dir).resolve(), Path(work_dir).resolve()
    out = work_dir / "out"
    run(["cpack", "-G", "DEB", "--config", build_dir / "CPackConfig.cmake", "-B", out])
    debs = sorted(out.glob("*.deb"))
    if len(debs) != 1:
        sys.exit(f"cpack made {len(debs)} .deb files in {out}")
    root = work_dir / "root"
    run(["dpkg-deb", "-x", debs[0], root])
    return DebRoot(debs[0], root)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: deb_root.py BUILD_DIR WORK_DIR")
    pkg = build_and_unpack(sys.argv[1], sys.argv[2])
    for key in ("deb", "root", "program", "xml"):
        print(f"{key.upper()}={shlex.quote(str(getattr(pkg, key)))}")
