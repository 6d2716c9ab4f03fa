"""Builds the Debian package from a native build tree and unpacks it, for
tests that check it or run the program as the package installs it."""
import subprocess
import sys
from pathlib import Path

NAME = "vorlan-screen-saver-2"
PROGRAM = f"usr/libexec/xscreensaver/{NAME}"


def run(command):
    done = subprocess.run([str(c) for c in command], capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"{command[0]} failed ({done.returncode}):\n{done.stdout}{done.stderr}")


def build_and_unpack(build_dir, work_dir):
    """The package's path, and the folder `root` under work_dir it is unpacked to."""
    build_dir, work_dir = Path(build_dir).resolve(), Path(work_dir).resolve()
    out = work_dir / "out"
    run(["cpack", "-G", "DEB", "--config", build_dir / "CPackConfig.cmake", "-B", out])
    debs = sorted(out.glob("*.deb"))
    if len(debs) != 1:
        sys.exit(f"cpack made {len(debs)} .deb files in {out}")
    run(["dpkg-deb", "-x", debs[0], work_dir / "root"])
    return debs[0], work_dir / "root"
