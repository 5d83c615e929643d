#!/usr/bin/env python3
"""Package digests on the Linux build or on installer.exe under Wine, against the
reference service (which states each package's SHA-256) and its mirrors: a package that the
mirrors serve changed is refused (its log line, exit 4, not run, no "ftpok"); a wrong file
already in the download directory is downloaded again and replaced; a right one is used
without a download.

Environment: as linux_install_test.py, or windows_e2e.py when E2E_INSTALLER is an .exe.
"""
import hashlib
import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import e2e_support as e2e  # noqa: E402

INSTALLER = os.environ.get("E2E_INSTALLER", "")
SERVICE = os.environ.get("E2E_SERVICE", "")
WORK = os.environ.get("E2E_WORK", tempfile.gettempdir())
WINDOWS = INSTALLER.lower().endswith(".exe")


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class PackageDigestTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="digest-", dir=WORK)
        cls.servers = e2e.DemoServers(os.path.join(cls.scratch, "state"), SERVICE,
                                      windows=WINDOWS)
        cls.servers.__enter__()
        try:
            cls.runs = os.path.join(cls.scratch, "runs")
            cls.installer = e2e.installer_runs(INSTALLER, cls.runs)
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.servers.__exit__(None, None, None)
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def install(self, name):
        return self.installer.run([self.servers.service], name)[:3]

    def place(self, name, directory="inst"):
        """The install or download directory of run `name`."""
        return os.path.join(self.runs, name, directory)

    def ftpok_files(self, log):
        guid = e2e.log_guid(log)
        self.assertIsNotNone(guid, log)
        return [e.get("filename") for e in self.servers.events(guid) if e["event"] == "ftpok"]

    def test_a_package_changed_on_the_mirrors_is_refused(self):
        # The service stated the digest of the file it had at start; the mirrors now serve
        # another setup program of the same size.
        path = self.servers.package_path("setup.exe")
        with open(path, "rb") as f:
            original = f.read()
        expected = sha256(path)
        changed = bytearray(original)
        changed[len(changed) // 2] ^= 0xFF
        try:
            with open(path, "wb") as f:
                f.write(changed)
            code, out, log = self.install("changed-setup")
        finally:
            with open(path, "wb") as f:
                f.write(original)
        self.assertEqual(code, 4, out + log)
        self.assertIn("安装未完成", out)
        self.assertRegex(log, r"校验失败，SHA-256应为%s，实为%s" % (expected,
                                                          hashlib.sha256(changed).hexdigest()))
        self.assertNotIn("setup.exe", self.ftpok_files(log))
        self.assertFalse(os.path.exists(os.path.join(self.place("changed-setup"),
                                                     "setup-marker.txt")), "the setup program ran")
        self.assertFalse(os.path.exists(os.path.join(self.place("changed-setup", "downloads"),
                                                     "setup.exe")))
        # The other packages still arrived and were unpacked.
        self.assertIn("qz-app.zip", self.ftpok_files(log))

    def test_files_already_present_are_taken_only_with_their_digest(self):
        name = "present"
        downloads = self.place(name, "downloads")
        os.makedirs(downloads)
        wrong = os.path.join(downloads, "qz-data.zip")
        with open(wrong, "wb") as f:
            f.write(b"not the package")
        right = os.path.join(downloads, "qz-app.zip")
        shutil.copyfile(self.servers.package_path("qz-app.zip"), right)
        code, out, log = self.install(name)
        self.assertEqual(code, 0, out + log)
        self.assertIn("与校验值不符，重新下载", log)
        self.assertRegex(log, r"文件 \S*qz-data\.zip 与校验值不符，重新下载")
        self.assertRegex(log, r"文件 \S*qz-app\.zip 已存在，不下载")
        downloaded = self.ftpok_files(log)
        self.assertIn("qz-data.zip", downloaded)
        self.assertNotIn("qz-app.zip", downloaded)
        # The file the run downloaded again is gone at the end like every download; the one
        # that was there stays.
        self.assertFalse(os.path.exists(wrong))
        self.assertEqual(sha256(right), sha256(self.servers.package_path("qz-app.zip")))
        for member in ("levels.txt", "levels.bin"):
            with open(os.path.join(self.place(name), "data", member), "rb") as f:
                self.assertEqual(f.read(), e2e.zip_member(self.servers.package_path("qz-data.zip"),
                                                          member, e2e.DATA_PASSWORD), member)


if __name__ == "__main__":
    if not INSTALLER:
        sys.exit("E2E_INSTALLER must name the installer")
    if not SERVICE or not os.access(SERVICE, os.X_OK):
        print("SKIPPED: no install-service program at %r" % SERVICE)
        sys.exit(77)
    unittest.main(verbosity=2)
