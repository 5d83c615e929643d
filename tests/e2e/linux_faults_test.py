#!/usr/bin/env python3
"""Faults the installer must survive end to end: a mirror dying during the download,
mirrors that refuse or lose every package, a service that answers the plan with "ER", and
no service at all.

Environment: E2E_INSTALLER, E2E_SERVICE, E2E_WORK (see linux_install_test.py).
"""
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_support as e2e  # noqa: E402
from linux_install_test import INSTALLER, SERVICE, WORK, LinuxRun, finish  # noqa: E402

# Many blocks, so that the download is still under way when a mirror is killed.
LARGE_DATA_KIB = 16 * 1024
# Upper bounds that only stop a hung installer; they are no performance goals.
RUN_TIMEOUT = 300  # a bound for hangs, far above any run on a loaded machine


def guid_events(servers, run):
    text, _ = e2e.read_log(run.log_path)
    return servers.events(e2e.log_guid(text))


class MirrorFaultTest(unittest.TestCase):
    """A large data package, so that the download is under way when a mirror goes."""

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="faults-", dir=WORK)
        self.servers = e2e.DemoServers(os.path.join(self.scratch, "state"), SERVICE,
                                       data_kib=LARGE_DATA_KIB)
        self.servers.__enter__()
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.addCleanup(self.servers.__exit__, None, None, None)
        self.run_ = LinuxRun(os.path.join(self.scratch, "run"))

    def start_and_kill_during_download(self, mirrors, extra=()):
        process = self.run_.start(self.servers.service, ["netver=2.0"] + list(extra))
        try:
            # A first block of the data package has arrived, most are still to come: kill.
            started = e2e.wait_for_log(self.run_.log_path,
                                       r"qz-data\.zip[^\r\n]*块[^\r\n]*下载完成", 60, process)
            self.assertTrue(started, "the download of the data package never started")
            for mirror in mirrors:
                self.servers.kill(mirror)
            began = time.monotonic()
            code, out, err = finish(process, RUN_TIMEOUT)
            return code, out, err, time.monotonic() - began
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()

    def test_install_completes_from_the_other_mirror_when_one_dies(self):
        code, out, err, _ = self.start_and_kill_during_download(["ftp"])
        self.assertEqual(code, 0, "stdout:\n%s\nstderr:\n%s" % (out, err))
        self.assertIn("安装完成", out)
        data_zip = self.servers.package_path("qz-data.zip")
        with open(os.path.join(self.run_.install_dir, "data", "levels.bin"), "rb") as f:
            self.assertEqual(f.read(), e2e.zip_member(data_zip, "levels.bin", e2e.DATA_PASSWORD))
        # The fault did hit: blocks on the FTP mirror failed and were fetched again.
        messages = e2e.log_messages(e2e.read_log(self.run_.log_path)[0])
        self.assertTrue(any(m.startswith("Download\t文件ftp://") and "下载失败" in m for m in messages))
        kinds = [e["event"] for e in guid_events(self.servers, self.run_)]
        self.assertEqual(kinds.count("ftpok"), 5)
        self.assertEqual(kinds.count("setupok"), 1)

    def test_every_mirror_dying_ends_with_the_failed_package(self):
        code, out, err, seconds = self.start_and_kill_during_download(["ftp", "http"],
                                                                      ["keepdownloads=1"])
        print("every mirror killed: the installer ended %.1f s later" % seconds)
        self.assertEqual(code, 4, "stdout:\n%s\nstderr:\n%s" % (out, err))
        self.assertIn("安装未完成", out)
        self.assertIn("下载失败：qz-data.zip", out)
        # Packages downloaded before the mirrors went are reported; nothing claims success.
        events = guid_events(self.servers, self.run_)
        self.assertNotIn("setupok", [e["event"] for e in events])
        self.assertNotIn("qz-data.zip", [e.get("filename") for e in events if e["event"] == "ftpok"])
        self.assertFalse(os.path.exists(os.path.join(self.run_.install_dir, "data", "levels.bin")))
        # A broken download must not stay under the package's name: the next run would
        # take it as downloaded.
        self.assertFalse(os.path.exists(os.path.join(self.run_.download_dir, "qz-data.zip")))
        self.assertTrue(os.path.exists(os.path.join(self.run_.download_dir, "qz-app.zip")))

    def test_mirrors_refusing_every_package(self):
        # The service has read the sizes; the mirrors answer 404 from now on.
        self.servers.remove_packages()
        began = time.monotonic()
        code, out, err = self.run_.run(self.servers.service, ["netver=2.0"], timeout=RUN_TIMEOUT)
        self.assertEqual(code, 4, "stdout:\n%s\nstderr:\n%s" % (out, err))
        self.assertIn("安装未完成", out)
        for name in ("qz-app.zip", "qz-data.zip", "qz-net20.zip", "unins000.zip", "setup.exe"):
            self.assertIn("下载失败：%s" % name, out)
        # Each mirror is struck off at the first package and not asked again.
        for line in ("从HTTP服务器127下载文件qz-app.zip  失败!!!  去除此http服务器下载",
                     "从ftp服务器127下载文件qz-app.zip  失败!!!  去除此ftp服务器下载"):
            self.assertEqual(out.count(line), 1, line)
        self.assertEqual(out.count("去除此http服务器下载"), 1)
        self.assertEqual(out.count("去除此ftp服务器下载"), 1)
        kinds = [e["event"] for e in guid_events(self.servers, self.run_)]
        self.assertNotIn("ftpok", kinds)
        self.assertNotIn("setupok", kinds)
        print("refusing mirrors: the installer ended after %.1f s" % (time.monotonic() - began))


class ServiceFaultTest(unittest.TestCase):

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="service-faults-", dir=WORK)
        self.addCleanup(shutil.rmtree, self.scratch, True)

    def test_plan_answered_with_er_ends_with_exit_3(self):
        with e2e.DemoServers(os.path.join(self.scratch, "state"), SERVICE) as servers:
            run = LinuxRun(os.path.join(self.scratch, "run"))
            # A version the catalog does not know: needdown answers "ER unknown version".
            code, out, err = run.run(servers.service, ["--ver=9.9.9"], timeout=RUN_TIMEOUT)
            self.assertEqual(code, 3, "stdout:\n%s\nstderr:\n%s" % (out, err))
            self.assertIn("ER unknown version 9.9.9", out)
            self.assertNotIn("准备下载文件", out)
            self.assertFalse(os.path.exists(run.install_dir))
            kinds = [e["event"] for e in servers.events()]
            self.assertEqual(kinds, ["firstpage"])

    def test_no_service_ends_with_exit_1_after_each_server_once(self):
        refusing = [e2e.refusing_socket() for _ in range(2)]
        self.addCleanup(lambda: [s.close() for s in refusing])
        dead = ["%s:%d" % s.getsockname() for s in refusing]
        run = LinuxRun(os.path.join(self.scratch, "run"))
        code, out, err = run.run(",".join(dead), timeout=RUN_TIMEOUT)
        self.assertEqual(code, 1, "stdout:\n%s\nstderr:\n%s" % (out, err))
        self.assertIn("失败码(7),不能连接主机", out)
        self.assertIn("读取配制信息失败，按ESC键退出...", out)
        messages = e2e.log_messages(e2e.read_log(run.log_path)[0])
        requests = [m for m in messages if m.startswith("HttpGet\t\thttp://")]
        for action in ("downserverlist", "firstpage"):
            for server in dead:
                asked = [m for m in requests
                         if m.startswith("HttpGet\t\thttp://%s/inst/?" % server) and
                         "&action=%s" % action in m]
                self.assertEqual(len(asked), 1, "%s asked %s %d times" % (server, action, len(asked)))
        self.assertEqual(len(requests), 4, "\n".join(requests))
        self.assertIn("取消安装-CInitDlg", messages)
        self.assertFalse(os.path.exists(run.install_dir))


if __name__ == "__main__":
    if not INSTALLER or not SERVICE:
        sys.exit("E2E_INSTALLER and E2E_SERVICE name the installer and install-service")
    unittest.main(verbosity=2)
