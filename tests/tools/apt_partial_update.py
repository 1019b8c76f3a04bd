#!/usr/bin/env python3
"""The set-up scripts on a mirror in the middle of a sync: apt-get update
fails on one package index (exit 100) while every other one was fetched.
They go on, and fail only when a package they need cannot be installed or
downloaded, naming it.

apt-get, apt-cache, dpkg, dpkg-query and sudo are stand-ins early on PATH:
nothing here reaches the machine's real package system.

  apt_partial_update.py REPO
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

REPO = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../.."))

# What apt-get update printed on a fresh machine while the mirror synced.
APT_GET = r"""#!/bin/bash
echo "apt-get $*" >> "$STANDIN_LOG"
args=()
while [ $# -gt 0 ]; do
    case "$1" in -o) shift ;; -*) ;; *) args+=("$1") ;; esac
    shift
done
verb=${args[0]}
case "$verb" in
update)
    echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-armhf/Packages.xz  File has unexpected size (135980 != 136192). Mirror sync in progress? [IP: 192.0.2.7 80]" >&2
    echo "   Hashes of expected file:" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
install|download)
    status=0
    for p in "${args[@]:1}"; do
        case " $STANDIN_MISSING " in
            *" $p "*) echo "E: Unable to locate package $p" >&2; status=100 ;;
            *) if [ "$verb" = download ]; then : > "${p%%:*}_1.0_armhf.deb"
               else echo "Inst $p (1.0 Debian:12/stable [armhf])"; fi ;;
        esac
    done
    exit $status ;;
esac
echo "stand-in apt-get: unexpected: $*" >&2
exit 1
"""
STANDINS = {
    "apt-get": APT_GET,
    # apt knows no armhf package until an update.
    "apt-cache": '#!/bin/sh\necho "apt-cache $*" >> "$STANDIN_LOG"\nexit 100\n',
    # Nothing is installed.
    "dpkg-query": "#!/bin/sh\nexit 1\n",
    "dpkg": '#!/bin/sh\necho "dpkg $*" >> "$STANDIN_LOG"\n'
            '[ "$1" = --print-foreign-architectures ] && echo armhf\nexit 0\n',
    "sudo": '#!/bin/sh\nexec "$@"\n',
}


class PartialIndexFailure(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="apt-standin.")
        self.addCleanup(shutil.rmtree, self.tmp)
        bin_dir = os.path.join(self.tmp, "bin")
        os.mkdir(bin_dir)
        for name, text in STANDINS.items():
            path = os.path.join(bin_dir, name)
            with open(path, "w") as f:
                f.write(text)
            os.chmod(path, 0o755)
        self.log = os.path.join(self.tmp, "apt.log")
        self.env = dict(os.environ, PATH=bin_dir + ":" + os.environ["PATH"], STANDIN_LOG=self.log,
                        STANDIN_MISSING="", ARMHF_SYSROOT=os.path.join(self.tmp, "sysroot"),
                        ARMHF_BUILD_DIR=os.path.join(self.tmp, "build-armhf"))

    def run_tool(self, *args, missing=""):
        self.env["STANDIN_MISSING"] = missing
        r = subprocess.run([os.path.join(REPO, "tools", args[0])] + list(args[1:]), cwd=self.tmp, env=self.env,
                           stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
        with open(self.log) as f:
            calls = f.read().splitlines()
        return r.returncode, r.stdout + r.stderr, calls

    def assert_went_on(self, out, calls, verb):
        self.assertIn("warning: apt-get update exited with 100", out)
        self.assertIn("Mirror sync in progress?", out)        # apt's own lines are shown
        self.assertNotIn("FAILED: apt-get update", out)
        updates = [i for i, c in enumerate(calls) if c.startswith("apt-get") and " update" in c]
        later = [i for i, c in enumerate(calls) if c.startswith("apt-get") and (" %s " % verb) in c]
        self.assertTrue(updates and later and later[-1] > updates[0], calls)

    def test_setup_installs_everything_after_a_partial_update(self):
        status, out, calls = self.run_tool("setup")
        self.assertEqual(status, 0, out)
        self.assert_went_on(out, calls, "install")
        self.assertIn("libsdl1.2-dev", [c for c in calls if " install " in c][0].split())

    def test_setup_names_the_package_it_cannot_install(self):
        status, out, calls = self.run_tool("setup", missing="libutf8proc-dev")
        self.assertNotEqual(status, 0, out)
        self.assert_went_on(out, calls, "install")
        self.assertIn("setup: cannot install: libutf8proc-dev\n", out)

    def test_ci_armhf_names_the_host_package_it_cannot_install(self):
        # A vendor's sysroot: ci-armhf makes none.
        os.makedirs(os.path.join(self.tmp, "sysroot/usr/include/SDL"))
        open(os.path.join(self.tmp, "sysroot/usr/include/SDL/SDL.h"), "w").close()
        status, out, calls = self.run_tool("ci-armhf", missing="qemu-user")
        self.assertNotEqual(status, 0, out)
        self.assert_went_on(out, calls, "install")
        self.assertIn("ci-armhf: cannot install: qemu-user\n", out)

    def test_armhf_sysroot_names_the_package_it_cannot_download(self):
        status, out, calls = self.run_tool("make-armhf-sysroot", os.path.join(self.tmp, "sysroot"),
                                           missing="libsdl1.2-dev:armhf")
        self.assertNotEqual(status, 0, out)
        self.assert_went_on(out, calls, "download")
        self.assertIn("make-armhf-sysroot: cannot download: libsdl1.2-dev:armhf\n", out)
        self.assertFalse(os.path.exists(os.path.join(self.tmp, "sysroot")))


if __name__ == "__main__":
    unittest.main(verbosity=2)
