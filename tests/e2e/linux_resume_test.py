#!/usr/bin/env python3
"""An installation killed half way through a package's download continues where it
stopped: the Linux build against the reference service and its two mirrors. The second run
fetches only the blocks that the record left by the first one lists as missing (counted in
the mirrors' own request logs), installs a byte-identical file, and leaves no partial file.

Environment: E2E_INSTALLER, E2E_SERVICE, E2E_WORK (see linux_install_test.py).
"""
import os
import re
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_support as e2e  # noqa: E402
from linux_install_test import SERVICE, WORK, LinuxRun, finish  # noqa: E402

DATA_KIB = 6 * 1024  # about 48 blocks
BLOCK = 131072
RUN_TIMEOUT = 300  # only stops a hung installer
DONE_LINE = re.compile("qz-data\\.zip[^\r\n]*块[^\r\n]*下载完成".encode("utf-8"))


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ResumeTest(unittest.TestCase):

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="resume-", dir=WORK)
        self.servers = e2e.DemoServers(os.path.join(self.scratch, "state"), SERVICE,
                                       data_kib=DATA_KIB)
        self.servers.__enter__()
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.addCleanup(self.servers.__exit__, None, None, None)
        self.run_ = LinuxRun(os.path.join(self.scratch, "run"))

    def test_a_killed_run_is_continued_by_the_next(self):
        size = os.path.getsize(self.servers.package_path("qz-data.zip"))
        blocks = -(-size // BLOCK)
        words = ["netver=2.0", "keepdownloads=1"]
        process = self.run_.start(self.servers.service, words)
        try:
            deadline = time.monotonic() + RUN_TIMEOUT
            while time.monotonic() < deadline and process.poll() is None:
                if os.path.exists(self.run_.log_path) and \
                        len(DONE_LINE.findall(read(self.run_.log_path))) >= blocks // 2:
                    break
                time.sleep(0.02)
            self.assertIsNone(process.poll(), "the installer ended before it was killed")
            process.kill()
        finally:
            if process.poll() is None:
                process.kill()
            process.communicate()
        # The mirrors log a transfer cut by the kill when they notice it.
        time.sleep(2)

        partial = os.path.join(self.run_.download_dir, "qz-data.zip.part")
        record = os.path.join(self.run_.download_dir, "qz-data.zip.resume")
        self.assertEqual(os.path.getsize(partial), size)
        done = e2e.resume_record_blocks(record)
        missing = done.count(False)
        self.assertGreater(missing, 0)
        # A block logged just before the kill may not be in the record yet.
        self.assertLess(missing, blocks)

        before = e2e.block_requests(self.servers, "qz-data.zip")
        code, out, err = finish(self.run_.start(self.servers.service, words), RUN_TIMEOUT)
        log, _ = e2e.read_log(self.run_.log_path)  # each run starts the log afresh
        self.assertEqual(code, 0, out + err + log)
        self.assertEqual(e2e.block_requests(self.servers, "qz-data.zip") - before, missing, log)
        self.assertEqual(read(os.path.join(self.run_.download_dir, "qz-data.zip")),
                         read(self.servers.package_path("qz-data.zip")))
        self.assertFalse(os.path.exists(partial))
        self.assertFalse(os.path.exists(record))
        resumed = sum(min(BLOCK, size - i * BLOCK) for i, d in enumerate(done) if d)
        self.assertIn("已下载 %d%%，继续下载" % (100 * resumed // size), out + log)
        self.assertNotIn("校验失败", log)
        # The service hears of the package as of any other download.
        guid = e2e.log_guid(log)
        self.assertIsNotNone(guid, log)
        files = [e.get("filename") for e in self.servers.events(guid) if e["event"] == "ftpok"]
        self.assertIn("qz-data.zip", files)


if __name__ == "__main__":
    unittest.main()
