"""Shared pieces of the Windows end-to-end tests: Wine in a prefix and home of its own
below the build tree (so that the Wine user's desktop and documents are not the real
home), the demo's servers with the prefix's Install.log, and the checks of everything an
installation of the demo leaves behind.

Environment: E2E_INSTALLER (installer.exe), E2E_SERVICE (the Linux install-service),
E2E_WORK (scratch directory), E2E_WINE_RUN (scripts/wine-run), E2E_WINE_HOME (the prefix
and home directory).
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile

import e2e_support as e2e

INSTALLER = os.environ.get("E2E_INSTALLER", "")
SERVICE = os.environ.get("E2E_SERVICE", "")
WORK = os.environ.get("E2E_WORK", tempfile.gettempdir())
WINE_RUN = os.environ.get("E2E_WINE_RUN", os.path.join(e2e.ROOT, "scripts", "wine-run"))
WINE_HOME = os.environ.get("E2E_WINE_HOME", os.path.join(WORK, "wine"))
DISPLAY_NAME = "Qz 演示程序"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s_is1" % DISPLAY_NAME
PLANNED = ["qz-app.zip", "qz-data.zip", "qz-net40.zip", "unins000.zip", "setup.exe"]
SHORTCUT_NAMES = ["Qz 演示程序.lnk", "Qz 演示程序.lnk", "Qz 工具 (.NET 4).lnk"]
# The first bytes of every shell link: header size 0x4C and the link CLSID.
LNK_HEADER = bytes.fromhex("4c0000000114020000000000c000000000000046")


def wine_environment():
    env = dict(os.environ)
    env["INSTALLER_WINEPREFIX"] = os.path.join(WINE_HOME, "prefix")
    env["HOME"] = os.path.join(WINE_HOME, "home")
    env.pop("XDG_DESKTOP_DIR", None)
    os.makedirs(env["HOME"], exist_ok=True)
    return env


def wine(args, timeout=120, check=False):
    # Output goes through files, not pipes: a Wine service process that this program happens
    # to start (winedevice.exe) inherits its handles and outlives it, and a pipe would then
    # never reach its end.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run([WINE_RUN] + args, env=wine_environment(), stdout=out,
                                stderr=err, timeout=timeout)
        out.seek(0)
        err.seek(0)
        result.stdout, result.stderr = out.read(), err.read()
    if check and result.returncode != 0:
        raise AssertionError("wine %s failed: %s" % (args, result.stderr.decode("utf-8", "replace")))
    return result


def unix_path(windows_path, prefix=None):
    """The prefix's own mapping, read from its files: no wine process, so no race with a
    wineserver that is still shutting down after the previous program."""
    prefix = prefix or os.path.join(WINE_HOME, "prefix")
    drive, _, rest = windows_path.partition(":")
    path = os.path.realpath(os.path.join(prefix, "dosdevices", drive.lower() + ":"))
    for part in filter(None, rest.split("\\")):
        # Windows names are case-insensitive; take the entry as it is spelled on disk.
        try:
            entries = os.listdir(path)
        except OSError:
            entries = []
        part = next((e for e in entries if e.lower() == part.lower()), part)
        path = os.path.join(path, part)
    return path


def windows_path(path):
    return "Z:" + path.replace("/", "\\")

class Place:
    """A directory as the installer names it (windows) and as the test reads it (unix)."""

    def __init__(self, windows, unix):
        self.windows, self.unix = windows, unix

    @classmethod
    def of_unix(cls, path):
        return cls(windows_path(path), path)

    @classmethod
    def of_windows(cls, path):
        return cls(path, unix_path(path))

    def join(self, name):
        return os.path.join(self.unix, name)


def reg_values(text):
    """Values of a `reg query` listing: {name: data}."""
    values = {}
    for line in text.replace("\r\n", "\n").split("\n"):
        parts = line.strip().split(None, 2)
        if len(parts) == 3 and parts[1].startswith("REG_"):
            values[parts[0]] = parts[2]
    return values



class WindowsInstaller:
    """Console runs of installer.exe in the test's prefix (made by the first Wine program
    when it does not exist), each with directories of its own below `base`."""

    def __init__(self, installer, base):
        self.installer = installer
        self.base = base
        temp = wine(["cmd", "/c", "echo %TEMP%"], timeout=300, check=True)
        self.log_path = os.path.join(unix_path(temp.stdout.decode("utf-8").strip()),
                                     "Install.log")

    def run(self, servers, name, environment=None, words=()):
        """As e2e.LinuxInstaller.run; `environment` is the Linux build's only."""
        del environment
        place = windows_path(os.path.join(self.base, name))
        command = ";".join(["ui=console", "server=" + ",".join(servers),
                            "installdir=" + place + "\\inst", "downloaddir=" + place + "\\downloads",
                            "netver=4.0"] + list(words))
        result = wine([self.installer, command], timeout=600)
        log, data = e2e.read_log(self.log_path)
        return result.returncode, result.stdout.decode("utf-8", "replace"), log, data


def exit_unless_runnable():
    """Exits with 77 (skipped) when the service program is missing."""
    if not INSTALLER:
        sys.exit("E2E_INSTALLER names installer.exe")
    if not SERVICE or not os.access(SERVICE, os.X_OK):
        print("SKIPPED: no install-service program at %r; build the Linux preset first "
              "(scripts/test does)" % SERVICE)
        sys.exit(77)


class DemoInstallChecks:
    """A unittest.TestCase mixin: the demo's servers for the class, and the checks of an
    installation of the demo through them."""

    # KiB of the data package (the demo's default when None).
    DATA_KIB = None

    @classmethod
    def prepare_prefix(cls):
        """Called once the prefix exists, before the first test."""

    @classmethod
    def service_args(cls):
        """More arguments of the install service."""
        return ()

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="windows-", dir=WORK)
        cls.servers = e2e.DemoServers(os.path.join(cls.scratch, "state"), SERVICE, windows=True,
                                      data_kib=cls.DATA_KIB, service_args=cls.service_args())
        cls.servers.__enter__()
        try:
            # The prefix's temporary directory holds Install.log; the prefix is made on first use.
            temp = wine(["cmd", "/c", "echo %TEMP%"], timeout=180, check=True)
            cls.log_path = os.path.join(unix_path(temp.stdout.decode("utf-8").strip()), "Install.log")
            # A run before this one left its entry; it must not pass for this run's.
            wine(["reg", "delete", UNINSTALL_KEY, "/f"])
            cls.prepare_prefix()
        except BaseException:
            cls.servers.__exit__(None, None, None)
            raise

    @classmethod
    def tearDownClass(cls):
        cls.servers.__exit__(None, None, None)
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def check_packages_deleted(self, downloads):
        for name in PLANNED:
            self.assertFalse(os.path.exists(downloads.join(name)), name + " was not deleted")

    def check_files(self, inst):
        e2e.check_package_files(self, self.servers, inst.unix, "4.0")
        # The mingw-built setup program ran hidden in the install directory.
        with open(inst.join("setup-marker.txt"), "rb") as f:
            self.assertEqual(f.read(), b"qz demo setup ran with 1 argument(s)\r\n/quiet\r\n")
        # config\Name.ini and the package's config\name.ini are one file on Windows.
        names = [n for n in os.listdir(inst.join("config")) if n.lower() == "name.ini"]
        self.assertEqual(len(names), 1, names)
        values = e2e.read_ini(os.path.join(inst.unix, "config", names[0]), "gbk")["Name"]
        self.assertEqual(values, {"exe": "QzDemo.exe", "username": "Vornel", "appid": "qz",
                                  "ver": "1.0.0", "title": DISPLAY_NAME})

    def check_registry(self, inst):
        result = wine(["reg", "query", UNINSTALL_KEY])
        self.assertEqual(result.returncode, 0, "no uninstall entry in the registry")
        values = reg_values(result.stdout.decode("gbk", "replace"))
        uninstaller = inst.windows + "\\uninst\\unins000.exe"
        self.assertEqual(values.get("DisplayName"), DISPLAY_NAME)
        self.assertEqual(values.get("Publisher"), "Vornel")
        self.assertEqual(values.get("InstallDate"), datetime.date.today().strftime("%Y%m%d"))
        self.assertEqual(values.get("InstallLocation"), inst.windows)
        self.assertEqual(values.get("UninstallString"), '"%s"' % uninstaller)
        self.assertEqual(values.get("QuietUninstallString"), '"%s" /SILENT' % uninstaller)

    def check_install_record_and_shortcuts(self, inst):
        record = e2e.read_ini(os.path.join(inst.unix, "uninst", "install.ini"), "gbk")
        info = record["InstallInfo"]
        self.assertEqual(info["DisplayName"], DISPLAY_NAME)
        self.assertEqual(info["ItemCount"], str(len(PLANNED)))
        for number, name in enumerate(PLANNED, 1):
            self.assertEqual(record["Item%d" % number]["FileName"], name)
            self.assertEqual(record["Item%d" % number]["AllowDel"], "N" if name == "setup.exe" else "Y")
        self.assertEqual(record["Item2"]["Dir"], inst.windows + "\\data")
        links = [info.get("Link%d" % n) for n in range(1, 4)]
        self.assertNotIn("Link4", info)
        self.assertEqual([link.rsplit("\\", 1)[-1] if link else None for link in links],
                         SHORTCUT_NAMES)
        self.assertIn("\\Desktop\\", links[0])
        self.assertIn("\\Start Menu\\Programs\\", links[1])
        for link in links:
            with self.subTest(shortcut=link):
                with open(unix_path(link), "rb") as f:
                    data = f.read()
                self.assertTrue(data.startswith(LNK_HEADER), "not a shell link")
                # The target's name is stored in the link (as UTF-16 or ANSI text).
                target = "QzTool.exe" if "工具" in link else "QzDemo.exe"
                self.assertTrue(target.encode("utf-16-le") in data or target.encode() in data)

    def check_log(self, downloads):
        text, data = e2e.read_log(self.log_path)
        messages = e2e.log_messages(text)
        for line in ("保存目录", "下载服务器列表...", "下载配制信息...", "文件下载成功", "CInitDlg-OnOK",
                     "DoModal-1", "DoModal-2"):
            self.assertIn(line, messages, "no line %r in Install.log" % line)
        prefix = "HttpGet\t\thttp://%s/inst/?comname=Vornel&appid=qz&action=" % self.servers.service
        for action in ("downserverlist", "firstpage", "needdown", "getftp", "ftpok", "setupok"):
            self.assertTrue(any(m.startswith(prefix + action) for m in messages), action)
        self.assertTrue(any(m.startswith("HttpResponse\tOK[") for m in messages))
        self.assertTrue(any(m.startswith("Download\t") and "password=***" in m for m in messages))
        for clear in e2e.CLEAR_PASSWORDS:
            self.assertNotIn(clear.encode(), data, "a clear password in Install.log")
        block = e2e.summary_block(text)
        self.assertIsNotNone(block, "no summary block")
        logged = [line[5:] for line in block if line.startswith("[")]
        self.assertEqual(logged[0], "准备下载文件:.net40安装版")
        for name in PLANNED:
            self.assertIn("文件 %s\\%s 下载完成" % (downloads.windows, name), logged)
        return e2e.log_guid(text)

    def check_events(self, guid, plans=("4.0",)):
        """plans: the runtime generation of each package list asked for, in order; the
        last one is installed."""
        self.assertIsNotNone(guid)
        events = self.servers.events(guid)
        kinds = [e["event"] for e in events]
        self.assertEqual(sorted(e["filename"] for e in events if e["event"] == "ftpok"),
                         sorted(PLANNED))
        self.assertEqual(kinds.count("setupok"), 1)
        needdown = [e for e in events if e["event"] == "needdown"]
        self.assertEqual([e["netver"] for e in needdown], list(plans))
        self.assertEqual(needdown[-1]["files"], PLANNED)


