#!/usr/bin/env python3
"""tools/check-layers on small made-up trees: a tree that keeps the layers
passes; a circle between two folders of one layer, an include of a higher
layer and one program including the other each fail, naming the offence.

  check_layers.py REPO
"""
import os
import subprocess
import sys
import tempfile
import unittest

REPO = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../.."))
CHECK = os.path.join(REPO, "tools", "check-layers")

# A tree that keeps the layers: every folder includes only itself and below.
CLEAN = {
    "common/devroot.h": "",
    "vantor/menu.cpp": '#include "common/devroot.h"\n',
    "porta/base/attr.h": '#include "common/devroot.h"\n',
    "porta/device/fb.h": '#include "porta/base/attr.h"\n',
    "porta/library/browse.h": '#include "porta/device/fb.h"\n',
    "porta/controller/players.h": '#include "porta/device/fb.h"\n',
    "porta/ui/loop.cpp": '#include "porta/library/browse.h"\n#include "porta/controller/players.h"\n',
    "porta/main.cpp": '#include "porta/ui/loop.h"\n',
}


class CheckLayers(unittest.TestCase):
    def run_on(self, extra):
        with tempfile.TemporaryDirectory() as top:
            for path, text in {**CLEAN, **extra}.items():
                os.makedirs(os.path.join(top, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(top, path), "w") as f:
                    f.write(text)
            r = subprocess.run([sys.executable, CHECK, "--graph", top], capture_output=True, text=True)
            return r.returncode, r.stdout

    def test_a_tree_that_keeps_the_layers_passes(self):
        rc, out = self.run_on({})
        self.assertEqual(rc, 0, out)
        self.assertIn("porta/ui -> porta/controller, porta/library", out)

    def test_each_break_fails_and_is_named(self):
        cases = {
            "porta/controller and porta/library include each other (layer 3 of porta)": {
                "porta/library/browse.cpp": '#include "porta/controller/players.h"\n',
                "porta/controller/players.cpp": '#include "porta/library/browse.h"\n',
            },
            "porta/device (layer 2) includes a header of layer 4": {
                "porta/device/fb.cpp": '#include "porta/ui/loop.h"\n'
            },
            "vantor includes porta": {"vantor/menu.h": '#include "porta/base/attr.h"\n'},
        }
        for text, files in cases.items():
            with self.subTest(text):
                rc, out = self.run_on(files)
                self.assertEqual(rc, 1, out)
                self.assertIn(text, out)


if __name__ == "__main__":
    unittest.main()
