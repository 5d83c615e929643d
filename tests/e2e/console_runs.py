"""One console-mode installation by the Linux build or by installer.exe under Wine, in a
directory of its own: <base>/<name>/inst is installed, <base>/<name>/downloads receives the
packages (a test may put files there first)."""
import os
import shutil
import subprocess

import e2e_support as e2e


class LinuxInstaller:
    def __init__(self, base):
        self.base = base

    def downloads(self, name):
        return os.path.join(self.base, name, "downloads")

    def inst(self, name):
        return os.path.join(self.base, name, "inst")

    def run(self, program, servers, name):
        """(exit code, console output, Install.log text)."""
        home, tmp = os.path.join(self.base, name, "home"), os.path.join(self.base, name, "tmp")
        for d in (home, tmp):
            os.makedirs(d, exist_ok=True)
        env = dict(os.environ, HOME=home, TMPDIR=tmp, LC_ALL="C.UTF-8",
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                   XDG_CONFIG_HOME=os.path.join(home, ".config"))
        env.pop("XDG_DESKTOP_DIR", None)
        words = ";".join(["ui=console", "server=" + ",".join(servers),
                          "installdir=" + self.inst(name), "downloaddir=" + self.downloads(name)])
        result = subprocess.run([program, words], env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=600)
        log, _ = e2e.read_log(os.path.join(tmp, "Install.log"))
        return result.returncode, result.stdout.decode("utf-8", "replace"), log


class WindowsInstaller(LinuxInstaller):
    def __init__(self, base, fresh_prefix=False):
        import windows_e2e as win
        super().__init__(base)
        self.win = win
        if fresh_prefix:
            shutil.rmtree(win.WINE_HOME, ignore_errors=True)
        temp = win.wine(["cmd", "/c", "echo %TEMP%"], timeout=300, check=True)
        self.log_path = os.path.join(win.unix_path(temp.stdout.decode("utf-8").strip()),
                                     "Install.log")

    def run(self, program, servers, name):
        to_windows = self.win.windows_path
        words = ";".join(["ui=console", "server=" + ",".join(servers),
                          "installdir=" + to_windows(self.inst(name)),
                          "downloaddir=" + to_windows(self.downloads(name)), "netver=4.0"])
        result = self.win.wine([program, words], timeout=600)
        log, _ = e2e.read_log(self.log_path)
        return result.returncode, result.stdout.decode("utf-8", "replace"), log


def installer_for(windows, base, **options):
    return (WindowsInstaller(base, **options) if windows else LinuxInstaller(base))
