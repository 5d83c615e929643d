#!/usr/bin/env python3
"""The Linux installer's console front-end installs the demo application from the
reference service and its mirrors on 127.0.0.1; the test checks what lands on disk, in
the private home, in Install.log and in the service's event log.

Environment: E2E_INSTALLER (the installer), E2E_SERVICE (install-service), E2E_WORK (a
scratch directory of the build tree).
"""
import datetime
import glob
import io
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_support as e2e  # noqa: E402

INSTALLER = os.environ.get("E2E_INSTALLER", "")
SERVICE = os.environ.get("E2E_SERVICE", "")
WORK = os.environ.get("E2E_WORK", tempfile.gettempdir())
DISPLAY_NAME = "Qz 演示程序"
# The packages the demo catalog plans for each runtime generation.
PLANNED = {
    "2.0": ["qz-app.zip", "qz-data.zip", "qz-net20.zip", "unins000.zip", "setup.exe"],
    "4.0": ["qz-app.zip", "qz-data.zip", "qz-net40.zip", "unins000.zip", "setup.exe"],
}
SHORTCUTS = {
    "2.0": [("Desktop", DISPLAY_NAME, "QzDemo.exe"), ("applications", DISPLAY_NAME, "QzDemo.exe")],
    "4.0": [("Desktop", DISPLAY_NAME, "QzDemo.exe"), ("applications", DISPLAY_NAME, "QzDemo.exe"),
            ("applications", "Qz 工具 (.NET 4)", "tools/QzTool.exe")],
}


class LinuxRun:
    """One installer run with a home, temporary, install and download directory of its own."""

    def __init__(self, base):
        self.base = base
        self.home = os.path.join(base, "home")
        self.tmp = os.path.join(base, "tmp")
        self.data_home = os.path.join(self.home, ".local", "share")
        self.install_dir = os.path.join(base, "安装 目录")  # a blank and CJK in the path
        self.download_dir = os.path.join(base, "downloads", "qz")  # does not exist yet
        for d in (self.home, self.tmp):
            os.makedirs(d, exist_ok=True)
        self.log_path = os.path.join(self.tmp, "Install.log")

    def environment(self):
        env = dict(os.environ)
        env.update(HOME=self.home, TMPDIR=self.tmp, XDG_DATA_HOME=self.data_home,
                   XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   XDG_CACHE_HOME=os.path.join(self.home, ".cache"), LC_ALL="C.UTF-8")
        env.pop("XDG_DESKTOP_DIR", None)
        return env

    def words(self, service, extra=()):
        return ";".join(["ui=console", "server=" + service, "installdir=" + self.install_dir,
                         "downloaddir=" + self.download_dir] + list(extra))

    def start(self, service, extra=()):
        return subprocess.Popen([INSTALLER, self.words(service, extra)], env=self.environment(),
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def run(self, service, extra=(), timeout=300):
        process = self.start(service, extra)
        return finish(process, timeout)


def finish(process, timeout):
    try:
        out, err = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        out, err = process.communicate()
        raise AssertionError("the installer did not end within %d s:\n%s" % (timeout, out.decode()))
    return process.returncode, out.decode("utf-8", "replace"), err.decode("utf-8", "replace")


class DemoInstallTest(unittest.TestCase):
    """The whole demo installed, once per runtime choice."""

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="install-", dir=WORK)
        cls.servers = e2e.DemoServers(os.path.join(cls.scratch, "state"), SERVICE)
        cls.servers.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.servers.__exit__(None, None, None)
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def test_demo_installs_for_each_runtime_choice(self):
        cases = [("2.0", False), ("4.0", True)]
        for netver, keep in cases:
            with self.subTest(netver=netver, keepdownloads=keep):
                run = LinuxRun(tempfile.mkdtemp(prefix="netver%s-" % netver, dir=self.scratch))
                extra = ["netver=" + netver] + (["keepdownloads=1"] if keep else [])
                code, out, err = run.run(self.servers.service, extra)
                self.assertEqual(code, 0, "stdout:\n%s\nstderr:\n%s" % (out, err))
                self.assertIn("安装完成", out)
                self.assertIn("已安装到: " + run.install_dir, out)
                self.check_installed_files(run, netver)
                self.check_registration(run, netver)
                self.check_downloads(run, netver, keep)
                log_text = self.check_log(run, netver)
                self.check_events(e2e.log_guid(log_text), netver)
                self.check_setup_program(run)

    def check_installed_files(self, run, netver):
        inst = run.install_dir
        e2e.check_package_files(self, self.servers, inst, netver)
        # config/name.ini of the package and the installer's Name.ini are one file, as on
        # a case-insensitive file system.
        name_files = [n for n in os.listdir(os.path.join(inst, "config")) if n.lower() == "name.ini"]
        self.assertEqual(name_files, ["name.ini"])
        values = e2e.read_ini(os.path.join(inst, "config", "name.ini"))["Name"]
        self.assertEqual(values, {"exe": "QzDemo.exe", "username": "Vornel", "appid": "qz",
                                  "ver": "1.0.0", "title": DISPLAY_NAME})

    def check_setup_program(self, run):
        # The setup program ran in the install directory with its parameter.
        marker = os.path.join(run.install_dir, "setup-marker.txt")
        self.assertTrue(os.path.exists(marker), "the setup program left no marker")
        with open(marker, encoding="utf-8") as f:
            self.assertEqual(f.read(), "qz demo setup ran with 1 argument(s)\n/quiet\n")

    def check_registration(self, run, netver):
        inst = run.install_dir
        uninstaller = os.path.join(inst, "uninst", "unins000.exe")
        entry_path = os.path.join(run.data_home, "installer", "uninstall", DISPLAY_NAME + "_is1.ini")
        entry = e2e.read_ini(entry_path)["Uninstall"]
        self.assertEqual(entry, {
            "DisplayName": DISPLAY_NAME, "Publisher": "Vornel",
            "InstallDate": datetime.date.today().strftime("%Y%m%d"),
            "InstallLocation": inst, "UninstallString": '"%s"' % uninstaller,
            "QuietUninstallString": '"%s" /SILENT' % uninstaller})

        record = e2e.read_ini(os.path.join(inst, "uninst", "install.ini"))
        info = record["InstallInfo"]
        self.assertEqual(info["DisplayName"], DISPLAY_NAME)
        self.assertEqual(info["Publisher"], "Vornel")
        self.assertEqual(info["ItemCount"], str(len(PLANNED[netver])))
        rarpath = {"qz-app.zip": "", "qz-data.zip": "data", "qz-net20.zip": "lib",
                   "qz-net40.zip": "lib", "unins000.zip": "uninst", "setup.exe": ""}
        for number, name in enumerate(PLANNED[netver], 1):
            item = record["Item%d" % number]
            self.assertEqual(item["FileName"], name)
            self.assertEqual(item["Dir"].rstrip("/"), os.path.join(inst, rarpath[name]).rstrip("/"))
            self.assertEqual(item["AllowDel"], "N" if name == "setup.exe" else "Y")

        folders = {"Desktop": os.path.join(run.home, "Desktop"),
                   "applications": os.path.join(run.data_home, "applications")}
        links = []
        for folder, name, program in SHORTCUTS[netver]:
            link = os.path.join(folders[folder], name + ".lnk")
            links.append(link)
            with self.subTest(shortcut=link):
                entry = e2e.read_ini(link)["Desktop Entry"]
                self.assertEqual(entry["Exec"], '"%s"' % os.path.join(inst, program))
                self.assertEqual(entry["Path"], inst)
                self.assertEqual(entry["Type"], "Application")
        self.assertEqual(sorted(glob.glob(os.path.join(folders["applications"], "*.lnk")) +
                                glob.glob(os.path.join(folders["Desktop"], "*.lnk"))), sorted(links))
        self.assertEqual([info.get("Link%d" % n) for n in range(1, len(links) + 1)], links)
        self.assertNotIn("Link%d" % (len(links) + 1), info)

    def check_downloads(self, run, netver, keep):
        for name in PLANNED[netver]:
            path = os.path.join(run.download_dir, name)
            if keep:
                with open(path, "rb") as got, open(self.servers.package_path(name), "rb") as want:
                    self.assertEqual(got.read(), want.read(), name)
            else:
                self.assertFalse(os.path.exists(path), name + " was not deleted")
        self.assertEqual(glob.glob(os.path.join(run.download_dir, "*.part")), [])
        # The init sequence's resources stay in the default download directory.
        defaults = os.path.join(run.home, "Documents", "Vornel", "setup", "qz")
        for name in ("agreement.txt", "side.bmp"):
            with open(os.path.join(defaults, name), "rb") as got, \
                    open(self.servers.package_path(name), "rb") as want:
                self.assertEqual(got.read(), want.read(), name)

    def check_log(self, run, netver):
        text, data = e2e.read_log(run.log_path)
        messages = e2e.log_messages(text)
        for line in ("保存目录", "下载服务器列表...", "下载配制信息...", "文件下载成功",
                     "CInitDlg-OnOK", "DoModal-2"):
            self.assertIn(line, messages, "no line %r in Install.log" % line)
        self.assertEqual(messages.count("文件下载成功"), 2)
        service_prefix = "HttpGet\t\thttp://%s/inst/?comname=Vornel&appid=qz&action=" % self.servers.service
        actions = ["downserverlist", "firstpage", "getver", "needdown", "getftp", "ftpok",
                   "companyname", "createicon", "setupok", "appfilesnot"]
        if netver == "4.0":
            actions.append("appexe")  # the runtime patcher asks for the other programs
        for action in actions:
            self.assertTrue(any(m.startswith(service_prefix + action) for m in messages), action)
        self.assertTrue(any(m.startswith("HttpResponse\tOK[") for m in messages))
        downloads = [m for m in messages if m.startswith("Download\t")]
        # One size probe per package and mirror, the HTTP one with its password masked.
        http_probes = [m for m in downloads if "?username=qzhttp&password=***，大小" in m]
        ftp_probes = [m for m in downloads if m.startswith("Download\t文件ftp://") and "，大小" in m]
        self.assertEqual(len(ftp_probes), len(PLANNED[netver]), "\n".join(downloads))
        self.assertEqual(len(http_probes), len(PLANNED[netver]), "\n".join(downloads))
        for clear in e2e.CLEAR_PASSWORDS:
            self.assertNotIn(clear.encode(), data, "a clear password in Install.log")

        block = e2e.summary_block(text)
        self.assertIsNotNone(block, "no summary block")
        self.assertEqual(block[0], "文件名\t大小[kB]\t进度[%]\t速度[kB/s]\t用时[s]\t剩余[s]\t版本号\t")
        rows = {line.split("\t")[0]: line.split("\t") for line in block[1:] if "\t" in line}
        for name in PLANNED[netver]:
            self.assertEqual(rows[name][2], "100.0", name)
            self.assertEqual(rows[name][5], "0", name)
        numbered = [line for line in block if line.startswith("[")]
        for i, line in enumerate(numbered):
            self.assertTrue(line.startswith("[%03d]" % (i + 1)), line)
        logged = [line[5:] for line in numbered]
        self.assertEqual(logged[0], "准备下载文件:.net%s安装版" % netver.replace(".", ""))
        for name in PLANNED[netver]:
            self.assertIn("文件 %s 下载完成" % os.path.join(run.download_dir, name), logged)
        return text

    def check_events(self, guid, netver):
        self.assertIsNotNone(guid)
        events = self.servers.events(guid)
        kinds = [e["event"] for e in events]
        self.assertEqual(kinds.count("firstpage"), 1)
        self.assertEqual(kinds.count("needdown"), 1)
        needdown = next(e for e in events if e["event"] == "needdown")
        self.assertEqual(needdown["netver"], netver)
        self.assertEqual(needdown["files"], PLANNED[netver])
        self.assertEqual(sorted(e["filename"] for e in events if e["event"] == "ftpok"),
                         sorted(PLANNED[netver]))
        self.assertEqual(kinds.count("setupok"), 1)
        self.assertEqual(kinds[-1], "setupok")


if __name__ == "__main__":
    if not INSTALLER or not SERVICE:
        sys.exit("E2E_INSTALLER and E2E_SERVICE name the installer and install-service")
    unittest.main(verbosity=2)
