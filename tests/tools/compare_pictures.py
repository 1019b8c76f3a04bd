#!/usr/bin/env python3
"""tools/compare-pictures on two small folders: one picture with one pixel
changed is named with its count and fails the comparison; the same folders
pass when that picture is ignored; a picture missing from one side fails.

  compare_pictures.py REPO
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

REPO = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../.."))
COMPARE = os.path.join(REPO, "tools", "compare-pictures")


@unittest.skipUnless(shutil.which("convert") and shutil.which("compare"), "ImageMagick is missing")
class ComparePictures(unittest.TestCase):
    def setUp(self):
        self.top = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.top)
        self.a, self.b = os.path.join(self.top, "a"), os.path.join(self.top, "b")
        for d in (self.a, self.b):
            os.mkdir(d)
            for name in ("home.png", "menu.png"):
                self.picture(d, name)

    def picture(self, folder, name, *draw):
        # The b folder's copy is written later than a's: equal pixels, other bytes.
        subprocess.run(["convert", "-size", "16x12", "xc:#204080", *draw, os.path.join(folder, name)], check=True)

    def compare(self, *extra):
        r = subprocess.run([sys.executable, COMPARE, self.a, self.b, *extra], capture_output=True, text=True)
        return r.returncode, r.stdout

    def test_identical_folders_pass(self):
        self.assertEqual(self.compare(), (0, "compare-pictures: 0 of 2 pictures differ\n"))

    def test_one_differing_pixel_fails_unless_ignored(self):
        self.picture(self.b, "menu.png", "-fill", "#204081", "-draw", "point 3 5")
        self.assertEqual(self.compare(), (1, "menu.png: 1 pixels differ\ncompare-pictures: 1 of 2 pictures differ\n"))
        self.assertEqual(self.compare("--ignore", "menu.png"), (0, "compare-pictures: 0 of 1 pictures differ\n"))

    def test_a_missing_or_resized_picture_fails(self):
        os.remove(os.path.join(self.a, "home.png"))
        subprocess.run(["convert", "-size", "16x13", "xc:#204080", os.path.join(self.b, "menu.png")], check=True)
        rc, out = self.compare()
        self.assertEqual(rc, 1, out)
        self.assertIn("home.png: only in %s\n" % self.b, out)
        self.assertIn("menu.png: sizes differ (16x12, 16x13)\n", out)


if __name__ == "__main__":
    unittest.main()
