#!/usr/bin/env python3
"""tools/count-globals on an object built here: external, file-local and
function-local writable objects are counted; constant tables (also those of
pointers, kept in .data.rel.ro) and guard variables are not.

  count_globals.py REPO
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

REPO = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../.."))
COUNT = os.path.join(REPO, "tools", "count-globals")

SOURCE = r"""
int kept_external = 1;
int zeroed_external;
const int constant_table[3] = {1, 2, 3};
const char *const constant_names[2] = {"a", "b"};
namespace {
int kept_local = 2;
struct Name {
    const char *text;
    explicit Name(int i) : text(constant_names[i & 1]) {}
};
}
int bump()
{
    static int calls;
    static Name name(kept_local);
    return ++calls + kept_local + constant_table[kept_external] + name.text[0];
}
"""


@unittest.skipUnless(shutil.which("c++") and shutil.which("objdump"), "c++ or objdump is missing")
class CountGlobals(unittest.TestCase):
    def setUp(self):
        self.top = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.top)
        src = os.path.join(self.top, "state.cpp")
        with open(src, "w") as f:
            f.write(SOURCE)
        self.obj = os.path.join(self.top, "state.o")
        subprocess.run(["c++", "-std=c++17", "-fPIC", "-O0", "-c", src, "-o", self.obj], check=True)

    def count(self, *extra):
        r = subprocess.run([sys.executable, COUNT, *extra, "--libs", self.obj], capture_output=True, text=True)
        return r.returncode, r.stdout

    def test_counts_writable_objects_only(self):
        self.assertEqual(self.count(), (0, "total: 5 (2 external)\n"))

    def test_list_names_each_object(self):
        rc, out = self.count("--list")
        self.assertEqual(rc, 0, out)
        lines = out.splitlines()
        self.assertEqual(lines[-1], "total: 5 (2 external)")
        self.assertIn("state.o: kept_external [external]", lines)
        self.assertIn("state.o: (anonymous namespace)::kept_local", lines)
        self.assertIn("state.o: bump()::calls", lines)
        self.assertFalse([l for l in lines if "constant_" in l or "guard" in l], out)

    def test_missing_build_fails(self):
        r = subprocess.run([sys.executable, COUNT, os.path.join(self.top, "nothing")], capture_output=True, text=True)
        self.assertEqual(r.returncode, 2)
        self.assertIn("missing (build first)", r.stderr)


if __name__ == "__main__":
    unittest.main()
