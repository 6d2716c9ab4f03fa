"""The Windows installer under Wine's msiexec: it puts the saver in the
64-bit system folder, where the .scr runs full screen; its product has the
icon; a later version replaces it in place; removal takes the file away;
the user's choice of saver is never touched."""

import os
import struct
import subprocess
import unittest

from lib.process import wait_for
from lib.session import MEDIA_DIR, env_path
from lib.wine import WineCase

PRODUCTS = r"HKLM\Software\Classes\Installer\Products"
DESKTOP = r"HKCU\Control Panel\Desktop"
SCR_IN_SYSTEM = r"C:\windows\system32\Vorlan Screen Saver 2.scr"


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def file_version():
    """major, minor, build of the version block's VS_FIXEDFILEINFO."""
    with open(os.path.join(MEDIA_DIR, "version1.bin"), "rb") as f:
        block = f.read()
    minor, major, _, build = struct.unpack_from("<4H", block, block.index(b"\xbd\x04\xef\xfe") + 8)
    return major, minor, build


def msi_version(major, minor, build):
    """As the installer's registry keeps a product's version."""
    return "0x%x" % (major << 24 | minor << 16 | build)


class InstallerTest(WineCase):

    def msiexec(self, action, msi):
        code, _ = self.session.call(["wine", "msiexec", action, windows_path(msi), "/qn"], 300)
        return code

    def products(self):
        """{packed product code: {value: data}} of the installed products."""
        code, out = self.session.reg("query", PRODUCTS)
        keys = [line.rsplit("\\", 1)[1] for line in out.splitlines()
                if code == 0 and line.startswith("HKEY_") and line.count("\\") == 5]
        return {key: self.session.reg_values(PRODUCTS + "\\" + key) for key in keys}

    def later_version(self):
        """The same installer with the build number one higher."""
        major, minor, build = file_version()
        msi = os.path.join(self.session.work, "later.msi")
        subprocess.run(["wixl", "-a", "x64", "-D", "Version=%d.%d.%d" % (major, minor, build + 1),
                        "-D", "Scr=" + os.path.basename(self.session.scr), "-D", "Icon=vorlan.ico",
                        "-o", msi, env_path("VSS_WXS")], cwd=env_path("VSS_INPUTS"), check=True)
        return msi

    def test_install_run_upgrade_and_remove(self):
        installed = os.path.join(self.session.prefix, "drive_c", "windows", "system32",
                                 "Vorlan Screen Saver 2.scr")
        choice = r"C:\windows\system32\another.scr"
        self.session.reg("add", DESKTOP, "/v", "SCRNSAVE.EXE", "/d", choice, "/f")
        self.assertEqual(self.msiexec("/i", env_path("VSS_MSI")), 0)
        self.assertTrue(os.path.isfile(installed))
        self.assertEqual(self.session.reg_values(DESKTOP).get("SCRNSAVE.EXE"), choice)

        self.display.mouse_move(0, 0)
        saver = self.session.run(SCR_IN_SYSTEM, "/s")
        wait_for(lambda: self.shown() or not saver.running(), 60, what="a frame on screen")
        self.frames_alternate_centred()
        self.display.key("a")
        self.assertEqual(saver.wait(30), 0)

        ((first, product),) = self.products().items()
        self.assertEqual(product.get("ProductName"), "Vorlan Screen Saver 2")
        self.assertEqual(product.get("Version"), msi_version(*file_version()))
        self.assertTrue(product.get("ProductIcon", "").endswith("vorlan.ico"), product)

        later_msi = self.later_version()
        self.assertEqual(self.msiexec("/i", later_msi), 0)
        ((later, product),) = self.products().items()
        self.assertNotEqual(later, first)
        major, minor, build = file_version()
        self.assertEqual(product["Version"], msi_version(major, minor, build + 1))
        self.assertTrue(os.path.isfile(installed))

        self.assertEqual(self.msiexec("/x", later_msi), 0)
        self.assertFalse(os.path.exists(installed))
        self.assertEqual(self.products(), {})
        self.assertEqual(self.session.reg_values(DESKTOP).get("SCRNSAVE.EXE"), choice)


if __name__ == "__main__":
    unittest.main()
