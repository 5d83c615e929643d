#!/usr/bin/env python3
"""installer.exe as an end user starts it (no ui=console) under Wine, worked through its
initialization dialog and four-page wizard by wizard_driver.exe, against the reference
service of the Linux build and its mirrors on 127.0.0.1. The install through the wizard
is checked like the console install (files, registry, shortcuts, install.ini, Install.log,
the service's events); cancelling on page 2 installs nothing; without a service the
initialization dialog waits for Esc. The driver saves a screenshot of each state in
E2E_ARTIFACTS.

The test draws on an X server of its own (Xvfb, 1280 x 1024, 24 bits), whatever DISPLAY
says, and its Wine prefix draws the window frames itself, so the screenshots show them.

Environment: as windows_e2e.py, plus E2E_DRIVER (wizard_driver.exe) and E2E_ARTIFACTS
(the folder for the screenshots). Exits with 77 (skipped) when the service program or
Xvfb is missing.
"""
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import windows_e2e as win  # noqa: E402
from wizard_driver import DriverError, WizardDriver  # noqa: E402

DRIVER = os.environ.get("E2E_DRIVER", "")
ARTIFACTS = os.environ.get("E2E_ARTIFACTS", os.path.join(win.WORK, "artifacts"))
APP_NAME = "installer"  # the installer's file name without extension: message box captions
SHEET = "在线安装*"
PAGE = "在线安装向导 %d/4"
CONFIRM_CANCEL = "安装正在进行，是否退出安装？"
IDOK, IDYES, IDNO = 1, 6, 7
WINE_MARLETT = "/usr/share/wine/fonts/marlett.ttf"
# The demo's setup program runs this long here, so that the wait dialog can be watched.
SETUP_SECONDS = 8
# Generous bound for conditions polled from here.
WAIT = 120
PACKAGE_COLUMNS = ["文件名", "大小[kB]", "进度[%]", "速度[kB/s]", "用时[s]", "剩余[s]", "版本号"]
WAIT_TEXT = re.compile(r"^后台正在安装程序，请稍候 \(用时:(\d+)秒\)$")
MARKUP_TAG = re.compile(r"<[^>]*>")


class OwnDisplay:
    """An Xvfb server on a display number it picks itself."""

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten",
             "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n") and select.select([read_end], [], [], 60)[0]:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip().isdigit():
            self.__exit__()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=30)


def poll(condition, what, seconds=WAIT, show=None):
    """Waits for a condition that the installer reaches on its own; the bound only ends a
    test that would hang. show() tells what was there instead."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("gave up waiting for %s%s" % (what, ": %r" % (show(),) if show else ""))
        time.sleep(0.1)


class WindowsWizardTest(win.DemoInstallChecks, unittest.TestCase):

    # A data package that takes a few seconds at the download's speed cap, so that page 3
    # can be seen while it downloads.
    DATA_KIB = 16384

    @classmethod
    def setUpClass(cls):
        cls.display = OwnDisplay().__enter__()
        os.environ["DISPLAY"] = cls.display.display
        os.environ["QZ_DEMO_SETUP_SECONDS"] = str(SETUP_SECONDS)
        os.makedirs(ARTIFACTS, exist_ok=True)
        try:
            super().setUpClass()
        except BaseException:
            cls.display.__exit__()
            raise

    @classmethod
    def prepare_prefix(cls):
        # Without a window manager Wine draws the caption and frame itself only when told to.
        win.wine(["reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Decorated", "/d", "N",
                  "/f"], check=True)
        # Its caption buttons are glyphs of Wine's Marlett font (Debian package fonts-wine),
        # which this Wine finds only in the prefix's font folder.
        if os.path.exists(WINE_MARLETT):
            fonts = win.unix_path("C:\\windows\\Fonts")
            os.makedirs(fonts, exist_ok=True)
            shutil.copy(WINE_MARLETT, fonts)

    @classmethod
    def tearDownClass(cls):
        try:
            super().tearDownClass()
        finally:
            # Whatever a failed test left running in this prefix ends with the X server.
            env = win.wine_environment()
            env["WINEPREFIX"] = env["INSTALLER_WINEPREFIX"]
            subprocess.run(["wineserver", "-k"], env=env, timeout=60)
            cls.display.__exit__()

    def setUp(self):
        self.driver = WizardDriver([win.WINE_RUN, DRIVER], win.wine_environment())
        self.addCleanup(self.driver.close)

    def start_installer(self, service):
        words = "comname=Vornel;appid=qz;server=" + service
        self.driver.start(win.windows_path(win.INSTALLER), words)

    def label(self, window, control):
        """What a rich-text label says: the checks hold for its words, whether the label
        answers with its plain text or still with its markup."""
        return MARKUP_TAG.sub("", self.driver.text(window, control))

    def capture(self, window, name):
        self.driver.capture(window, win.windows_path(os.path.join(ARTIFACTS, name)))

    def answer_message_box(self, expected_text, button):
        box, text = self.driver.message_box(APP_NAME)
        self.assertEqual(text, expected_text)
        self.driver.click(box, button)
        self.driver.closed(box)
        return box

    def button_state(self, sheet, name):
        """(enabled, shown) of a wizard button; a button the sheet lacks is not shown."""
        ids = {"back": 0x3023, "next": 0x3024, "finish": 0x3025, "help": 9}
        try:
            enabled, visible, _ = self.driver.state(sheet, ids[name])
        except DriverError:
            return False, False
        return enabled, visible

    def wait_buttons(self, sheet, **expected):
        """Waits until the named wizard buttons are usable (shown and enabled) or not."""
        def matches():
            return all((all(self.button_state(sheet, n))) == usable for n, usable in expected.items())
        poll(matches, "wizard buttons %s" % expected)

    # -- the whole install through the wizard

    def test_install_through_the_wizard(self):
        d = self.driver
        self.start_installer(self.servers.service)

        sheet = d.window("#32770", SHEET)
        page1 = self.check_page1(sheet)
        inst, downloads = self.check_page2(sheet, page1)
        page3 = self.check_plan_on_page3(sheet)
        self.watch_download_and_setup(sheet, page3, downloads)
        page4 = d.wait_page(sheet, PAGE % 4, 300)
        self.check_page4(sheet, page4)
        d.press(sheet, "finish")
        self.assertEqual(d.wait_exit(), 0)

        self.check_files(inst)
        self.check_registry(inst)
        self.check_install_record_and_shortcuts(inst)
        self.check_packages_deleted(downloads)
        guid = self.check_log(downloads)
        # The page showed the default plan (.NET 2.0 on this Wine) before the .NET 4.0 choice.
        self.check_events(guid, plans=("2.0", "4.0"))

    def check_page1(self, sheet):
        d = self.driver
        page = d.wait_page(sheet, PAGE % 1)
        self.assertEqual(self.label(page, 1007), "Qz 演示程序")
        self.assertIn("欢迎安装 Qz 演示程序", self.label(page, 1008))
        # The agreement, read in the narrow code page, one line after the other.
        agreement = d.text(page, 1006)
        self.assertTrue(agreement.startswith("Qz 演示程序 软件许可协议\r\n\r\n1. 本程序"), agreement)
        self.assertEqual(d.text(page, 1016), "Vornel/qz 当前版本号:1.0.0")
        self.assertEqual(d.text(page, 1018), "安装工具：205A")
        self.assertEqual(d.state(page, 1002)[2], 1, "the agreement box starts checked")
        self.wait_buttons(sheet, back=False, next=True, finish=False, help=False)
        self.capture(sheet, "page1-welcome.png")

        # The agreement box decides whether Next can be pressed.
        d.click(page, 1002)
        self.wait_buttons(sheet, next=False)
        with self.assertRaises(DriverError):
            d.press(sheet, "next")
        d.click(page, 1002)
        self.wait_buttons(sheet, next=True)
        return page

    def check_page2(self, sheet, page1):
        """Accepts the proposed directories, as most people do: (install, download) place."""
        d = self.driver
        # Enter presses the default button, Next.
        d.key(page1, "enter")
        page = d.wait_page(sheet, PAGE % 2)
        self.wait_buttons(sheet, back=True, next=True, help=False)
        self.assertEqual(self.label(page, 1008), "安装前需要先配置以下运行环境")
        # The proposals: the programs folder with the configured relative path, and the
        # download directory the initialization made below the documents.
        proposed_inst, proposed_downloads = d.text(page, 1003), d.text(page, 1005)
        self.assertRegex(proposed_inst, r"^C:\\Program Files\\Vornel\\qz\\$")
        self.assertRegex(proposed_downloads, r"^C:\\users\\[^\\]+\\Documents\\Vornel\\setup\\qz\\$")
        self.capture(sheet, "page2-directories.png")

        d.press(sheet, "back")
        d.wait_page(sheet, PAGE % 1)
        self.wait_buttons(sheet, back=False, next=True)
        d.press(sheet, "next")
        d.wait_page(sheet, PAGE % 2)

        # The prefix outlives a run: what an earlier run left must not pass for this one's.
        inst = win.Place.of_windows(proposed_inst.rstrip("\\"))
        downloads = win.Place.of_windows(proposed_downloads.rstrip("\\"))
        shutil.rmtree(inst.unix, ignore_errors=True)
        for name in win.PLANNED:
            for leftover in (name, name + ".part", name + ".resume"):
                if os.path.exists(downloads.join(leftover)):
                    os.remove(downloads.join(leftover))

        # The trailing backslash is trimmed and written back when Next accepts the paths.
        d.press(sheet, "next")
        d.wait_page(sheet, PAGE % 3)
        d.press(sheet, "back")
        d.wait_page(sheet, PAGE % 2)
        self.assertEqual(d.text(page, 1003), inst.windows)
        self.assertEqual(d.text(page, 1005), downloads.windows)
        return inst, downloads

    def check_plan_on_page3(self, sheet):
        d = self.driver
        d.press(sheet, "next")
        page = d.wait_page(sheet, PAGE % 3)
        self.wait_buttons(sheet, back=True, next=True, help=False)
        self.assertEqual(d.list_columns(page, 1014), PACKAGE_COLUMNS)
        self.assertEqual(d.state(page, 1022)[2], 1, "默认 starts checked")
        self.assertEqual(d.text(page, 1020), ".net40安装版")
        # The versions are filled in when the page opens.
        rows = d.list_rows(page, 1014)
        self.assertIn("qz-app.zip", [row[0] for row in rows])
        for row in rows:
            self.assertEqual(row[6], "1.0.0", row)
        # The .NET 4 build changes the plan to the .NET 4 package.
        d.click(page, 1020)
        poll(lambda: [row[0] for row in d.list_rows(page, 1014)] == win.PLANNED,
             "the .NET 4 plan in the package list")
        self.capture(sheet, "page3-plan.png")
        return page

    def watch_download_and_setup(self, sheet, page, downloads):
        d = self.driver
        d.press(sheet, "next")
        # The run has started: neither Back nor Next until it ends.
        self.wait_buttons(sheet, back=False, next=False)

        def downloading():
            return any(0 < float(row[2] or 0) < 100 for row in d.list_rows(page, 1014))
        poll(downloading, "a package part-way downloaded", show=lambda: d.list_rows(page, 1014))
        self.capture(sheet, "page3-download.png")

        # The wait dialog: no caption, over the wizard while the setup program runs.
        wait = d.window("#32770", "")
        self.assertEqual(d.wait_text(page, 1018, "setup.exe 正在后台安装"),
                         "setup.exe 正在后台安装，请稍候...")
        d.wait_text(wait, 1009, "用时:")
        text = self.label(wait, 1009)
        self.assertRegex(text, WAIT_TEXT)
        self.capture(wait, "wait-dialog.png")
        self.capture(sheet, "page3-installing.png")
        self.check_wait_dialog_follows(sheet, wait)

        # Everything is downloaded by now.
        for row in d.list_rows(page, 1014):
            self.assertEqual((row[2], row[5]), ("100.0", "0"), row)
        self.assertEqual(d.text(page, 1017), "0s")
        self.assertRegex(d.text(page, 1015), r"^\d+\.\d\d MB$")
        self.assertRegex(d.text(page, 1016), r"^\d+\.\ds$")
        lines = d.list_box(page, 1012)
        for name in win.PLANNED:
            self.assertIn("文件 %s\\%s 下载完成" % (downloads.windows, name), lines)

        # The seconds go on counting until the setup program ends and the dialog goes.
        d.wait_text(wait, 1009, "用时:%d秒" % (int(WAIT_TEXT.match(text).group(1)) + 1))
        self.assertRegex(self.label(wait, 1009), WAIT_TEXT)
        d.closed(wait)

    def check_wait_dialog_follows(self, sheet, wait):
        """Moving the wizard keeps the wait dialog centred over it."""
        d = self.driver
        frame, _ = d.rect(sheet)
        moved = (frame[0] + 60, frame[1] + 40)
        d.move(sheet, *moved)

        def centred():
            frame, client = d.rect(sheet)
            box, _ = d.rect(wait)
            dx = (box[0] + box[2]) // 2 - (client[0] + client[2]) // 2
            dy = (box[1] + box[3]) // 2 - (client[1] + client[3]) // 2
            # The dialog sits 4 pixels left of and 12 above the middle of the client area.
            return frame[:2] == moved and abs(dx + 4) <= 8 and abs(dy + 12) <= 8
        poll(centred, "the wait dialog centred over the moved wizard")

    def check_page4(self, sheet, page):
        d = self.driver
        self.wait_buttons(sheet, back=False, next=False, finish=True, help=False)
        self.assertEqual(self.label(page, 1008), "安装完成")
        tip = self.label(page, 1009)
        self.assertTrue(tip.endswith("\n请双击打开"), tip)
        for name in ("Qz 演示程序", "Qz 工具 (.NET 4)"):
            self.assertIn(name, tip)
        self.assertEqual(d.text(page, 1018), "清除下载安装包")
        self.assertEqual(d.state(page, 1018)[2], 1, "the delete box starts checked")
        self.capture(sheet, "page4-finish.png")

    # -- cancelling

    def test_cancel_on_page2_installs_nothing(self):
        d = self.driver
        win.wine(["reg", "delete", win.UNINSTALL_KEY, "/f"])
        base = tempfile.mkdtemp(prefix="cancel-", dir=self.scratch)
        inst = os.path.join(base, "inst")
        self.start_installer(self.servers.service)
        sheet = d.window("#32770", SHEET)
        d.wait_page(sheet, PAGE % 1)
        d.press(sheet, "next")
        page = d.wait_page(sheet, PAGE % 2)
        d.set_text(page, 1003, win.windows_path(inst))

        # No keeps the wizard where it was, with what was typed; Esc asks as Cancel does.
        d.press(sheet, "cancel")
        box, text = d.message_box(APP_NAME)
        self.assertEqual(text, CONFIRM_CANCEL)
        self.capture(box, "cancel-question.png")
        d.click(box, IDNO)
        d.closed(box)
        self.assertEqual(d.wait_page(sheet, PAGE % 2, 5), page)
        self.assertEqual(d.text(page, 1003), win.windows_path(inst))
        d.key(page, "escape")
        self.answer_message_box(CONFIRM_CANCEL, IDNO)
        d.wait_page(sheet, PAGE % 2, 5)

        d.press(sheet, "cancel")
        self.answer_message_box(CONFIRM_CANCEL, IDYES)
        self.assertEqual(d.wait_exit(), 0)

        self.assertFalse(os.path.exists(inst))
        self.assertNotEqual(win.wine(["reg", "query", win.UNINSTALL_KEY]).returncode, 0,
                            "an uninstall entry after cancelling")
        text, _ = win.e2e.read_log(self.log_path)
        messages = win.e2e.log_messages(text)
        self.assertIn("DoModal-1", messages)
        self.assertIn("DoModal-2", messages)
        self.assertIsNone(win.e2e.summary_block(text))
        guid = win.e2e.log_guid(text)
        self.assertIsNotNone(guid)
        kinds = [e["event"] for e in self.servers.events(guid)]
        for kind in ("needdown", "ftpok", "setupok"):
            self.assertNotIn(kind, kinds)

    def test_without_service_the_init_dialog_waits_for_escape(self):
        d = self.driver
        # A port that refuses connections: the service cannot be reached.
        refusing = win.e2e.refusing_socket()
        self.addCleanup(refusing.close)
        self.start_installer("%s:%d" % refusing.getsockname())
        dialog = d.window("#32770", "qz 开始安装")
        text = d.wait_text(dialog, 1024, "读取配制信息失败，按ESC键退出...")
        self.assertIn("下载服务器列表...\r\n失败码(7),不能连接主机\r\n下载配制信息...\r\n", text)
        self.assertTrue(text.rstrip().endswith("Install.log"), text)
        self.capture(dialog, "init-dialog-no-service.png")
        # It stays open: the installer is still running a while later.
        with self.assertRaises(DriverError):
            d.wait_exit(3)

        d.key(dialog, "escape")
        d.closed(dialog)
        self.answer_message_box("取消安装", IDOK)
        self.assertEqual(d.wait_exit(), 0)
        messages = win.e2e.log_messages(win.e2e.read_log(self.log_path)[0])
        for line in ("取消安装-CInitDlg", "取消安装-CInstallApp"):
            self.assertIn(line, messages)
        self.assertNotIn("DoModal-1", messages)


if __name__ == "__main__":
    win.exit_unless_runnable()
    if not DRIVER:
        sys.exit("E2E_DRIVER names wizard_driver.exe")
    if not shutil.which("Xvfb"):
        print("SKIPPED: no Xvfb")
        sys.exit(77)
    unittest.main(verbosity=2)
