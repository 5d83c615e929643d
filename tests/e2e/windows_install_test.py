#!/usr/bin/env python3
"""installer.exe under Wine installs the demo application (Windows programs built with
mingw-w64) from the reference service of the Linux build and its mirrors on 127.0.0.1;
the test checks the installed files, the registry's uninstall entry, the shortcuts,
install.ini, config\\Name.ini, Install.log and the service's event log.

Environment: see windows_e2e.py. Exits with 77 (skipped) when the service program is
missing.
"""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import windows_e2e as win  # noqa: E402


class WindowsDemoInstallTest(win.DemoInstallChecks, unittest.TestCase):

    def test_demo_installs_under_wine(self):
        base = tempfile.mkdtemp(prefix="run-", dir=self.scratch)
        # A blank and code page 936 text in the path.
        inst = win.Place.of_unix(os.path.join(base, "安装 目录"))
        downloads = win.Place.of_unix(os.path.join(base, "downloads"))
        words = ";".join(["ui=console", "server=" + self.servers.service,
                          "installdir=" + inst.windows, "downloaddir=" + downloads.windows,
                          "netver=4.0"])
        # The bytes reach Wine's command line as UTF-8 and the installer as code page 936.
        result = win.wine([win.INSTALLER, words], timeout=400)
        # Wine hands the console text to a pipe in the Unix locale's encoding.
        out = result.stdout.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, "stdout:\n%s\nstderr:\n%s" % (
            out, result.stderr.decode("utf-8", "replace")))
        # The console front-end writes to the console installer.exe was started from.
        self.assertIn("安装完成", out)
        self.assertIn("已安装到: " + inst.windows, out)

        self.check_files(inst)
        self.check_registry(inst)
        self.check_install_record_and_shortcuts(inst)
        self.check_packages_deleted(downloads)
        guid = self.check_log(downloads)
        self.check_events(guid)


if __name__ == "__main__":
    win.exit_unless_runnable()
    unittest.main(verbosity=2)
