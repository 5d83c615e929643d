#!/usr/bin/env python3
"""Installing from behind a company's web proxy, through a real one (squid on 127.0.0.1).

The install service and the HTTP mirror go by made-up host names that only the proxy can
resolve (its hosts file), so a request that does not go through the proxy fails; the FTP
mirror keeps its address 127.0.0.1, reachable directly, and the proxy refuses FTP, as an
HTTP-only company proxy does: behind it the blocks come from the HTTP mirror.

Linux: the proxy comes from libcurl's environment variables (https_proxy, http_proxy,
no_proxy) or the proxy= word. Windows (installer.exe under Wine): from the user's settings
in the registry (a manual proxy with and without a bypass list, an auto-configuration
script served by the test) or the proxy= word. On both, a proxy that demands a password
ends the run after the servers were tried, with one log line and no password in the log.

Environment: as linux_install_test.py, or windows_e2e.py when E2E_INSTALLER is an .exe.
Exits with 77 (skipped) with the reason when squid or the service program is missing.
"""
import http.server
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import e2e_support as e2e  # noqa: E402
import squid_proxy  # noqa: E402

INSTALLER = os.environ.get("E2E_INSTALLER", "")
SERVICE = os.environ.get("E2E_SERVICE", "")
WORK = os.environ.get("E2E_WORK", tempfile.gettempdir())
WINDOWS = INSTALLER.lower().endswith(".exe")

SERVICE_NAME = "service.proxytest.invalid"
MIRROR_NAME = "mirror.proxytest.invalid"
PROXY_USER = ("office-user", "Proxy-Secret.77")
INTERNET_SETTINGS = ("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"
                     "\\Connections")


def skip(reason):
    print("SKIPPED: " + reason)
    sys.exit(77)


def connection_settings(flags, proxy="", bypass="", script=""):
    """The binary DefaultConnectionSettings value that WinHTTP reads the user's settings
    from: version, counter, flags (1 direct, 2 proxy, 4 script URL, 8 auto-detect), the
    three length-prefixed texts, then 32 zero bytes."""
    def text(value):
        data = value.encode("ascii")
        return struct.pack("<I", len(data)) + data
    return (struct.pack("<III", 0x46, 1, flags) + text(proxy) + text(bypass) + text(script) +
            bytes(32))


class PacServer:
    """Serves one auto-configuration script on 127.0.0.1."""

    def __init__(self, script):
        body = script.encode("ascii")

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200)
                self.send_header("Content-Type", "application/x-ns-proxy-autoconfig")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/proxy.pac" % self.server.server_port
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def use_settings(win, value):
    """The Wine user's proxy settings, as Internet Options would store them."""
    win.wine(["reg", "add", INTERNET_SETTINGS, "/v", "DefaultConnectionSettings", "/t",
              "REG_BINARY", "/d", value.hex(), "/f"], check=True)


class ProxyTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="proxy-", dir=WORK)
        os.chmod(cls.scratch, 0o755)
        cls.servers = e2e.DemoServers(os.path.join(cls.scratch, "state"), SERVICE,
                                      windows=WINDOWS, mirror_names=(MIRROR_NAME, e2e.HOST))
        cls.squid = squid_proxy.SquidProxy(
            os.path.join(cls.scratch, "squid"), {SERVICE_NAME: e2e.HOST, MIRROR_NAME: e2e.HOST})
        cls.guarded = squid_proxy.SquidProxy(
            os.path.join(cls.scratch, "squid-password"),
            {SERVICE_NAME: e2e.HOST, MIRROR_NAME: e2e.HOST}, password=PROXY_USER)
        cls.started = []
        try:
            for server in (cls.servers, cls.squid, cls.guarded):
                server.__enter__()
                cls.started.append(server)
            cls.service = "%s:%d" % (SERVICE_NAME, cls.servers.service_port)
            cls.mirror = "%s:%d" % (MIRROR_NAME, cls.servers.http_port)
            runs = os.path.join(cls.scratch, "runs")
            if WINDOWS:
                import windows_e2e as win
                cls.win = win
            cls.installer = e2e.installer_runs(INSTALLER, runs)
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        if WINDOWS and hasattr(cls, "win"):
            # The prefix's Wine session (services that WinHTTP's proxy discovery started
            # included) ends with the test instead of lingering into the next one.
            env = cls.win.wine_environment()
            env["WINEPREFIX"] = env["INSTALLER_WINEPREFIX"]
            subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60)
        for server in reversed(cls.started):
            server.__exit__(None, None, None)
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def run_installer(self, name, **options):
        seen = len(self.squid.requests())
        code, out, log, data = self.installer.run([options.pop("servers", self.service)], name,
                                                  **options)
        return code, out, log, data, seen

    def proxied(self, seen, expected=None):
        """The requests squid handled since `seen`; waits for the log lines of `expected`
        (a predicate over them) to arrive, as squid writes them after the transfers end."""
        deadline = time.monotonic() + 30
        while True:
            requests = self.squid.requests()[seen:]
            if expected is None or expected(requests) or time.monotonic() > deadline:
                return requests
            time.sleep(0.2)

    def check_installed(self, code, out, log):
        self.assertEqual(code, 0, out + "\n" + log)
        self.assertIn("安装完成", out)

    def check_through_proxy(self, seen, log, service_through_proxy=True):
        """Every service request and every HTTP block went through the proxy and was
        answered by the server behind it."""
        messages = e2e.log_messages(log)
        service_queries = [m.split("\t")[-1] for m in messages
                           if m.startswith("HttpGet\t\thttp://")]
        blocks = [m for m in messages if m.startswith("Download\t文件http://%s/" % self.mirror)
                  and "下载完成" in m]
        self.assertTrue(blocks, "no block came from the HTTP mirror:\n" + log)

        def complete(requests):
            urls = [url for method, url, status in requests if method == "GET"]
            mirror = [u for u in urls if u.startswith("http://%s/" % self.mirror)]
            queries = [u for u in urls if "/inst/?" in u]
            return len(mirror) >= len(blocks) and (
                not service_through_proxy or len(queries) >= len(service_queries))

        requests = self.proxied(seen, complete)
        urls = [url for method, url, status in requests if method == "GET"]
        if service_through_proxy:
            for query in service_queries:
                self.assertIn(query, urls, "a service request did not go through the proxy")
        else:
            self.assertFalse([u for u in urls if "/inst/?" in u],
                             "a service request went through the proxy")
        # One proxied request per block fetched from the HTTP mirror, at least.
        mirror = [u for u in urls if u.startswith("http://%s/" % self.mirror)]
        self.assertGreaterEqual(len(mirror), len(blocks), "\n".join(urls))
        return requests

    def check_proxy_line(self, log, server, proxy, source):
        line = "Proxy\t%s via http://%s (%s)" % (server, proxy, source)
        self.assertIn(line, e2e.log_messages(log))

    def check_refused_sign_in(self, code, out, log, data):
        self.assertEqual(code, 1, out + "\n" + log)
        messages = e2e.log_messages(log)
        refusals = [m for m in messages if "refused the sign-in" in m]
        self.assertEqual(refusals, ["Proxy\thttp://%s refused the sign-in (407); it offers: Basic"
                                    % self.guarded.address], log)
        # Every server was asked before the run gave up.
        self.assertIn("读取配制信息失败，按ESC键退出...", messages)
        for secret in PROXY_USER:
            self.assertNotIn(secret.encode(), data)

    # ---- Linux: libcurl's environment variables and the proxy= word --------------------

    @unittest.skipIf(WINDOWS, "the environment variables are the Linux build's settings")
    def test_linux_environment_proxy_carries_the_installation(self):
        proxy = "http://" + self.squid.address
        code, out, log, _, seen = self.run_installer(
            "environment", environment={"http_proxy": proxy, "https_proxy": proxy})
        self.check_installed(code, out, log)
        self.check_through_proxy(seen, log)
        self.check_proxy_line(log, self.service, self.squid.address, "environment")
        self.check_proxy_line(log, self.mirror, self.squid.address, "environment")

    @unittest.skipIf(WINDOWS, "the environment variables are the Linux build's settings")
    def test_linux_no_proxy_host_is_reached_directly(self):
        proxy = "http://" + self.squid.address
        code, out, log, _, seen = self.run_installer(
            "no-proxy", servers=self.servers.service,
            environment={"http_proxy": proxy, "no_proxy": e2e.HOST})
        self.check_installed(code, out, log)
        self.check_through_proxy(seen, log, service_through_proxy=False)
        self.assertFalse([m for m in e2e.log_messages(log)
                          if m.startswith("Proxy\t%s " % self.servers.service)])

    @unittest.skipIf(WINDOWS, "the Windows build's sign-in is tested with its settings")
    def test_linux_proxy_demanding_a_password(self):
        code, out, log, data, _ = self.run_installer(
            "password", environment={"http_proxy": "http://" + self.guarded.address})
        self.check_refused_sign_in(code, out, log, data)

    def test_proxy_word_carries_the_installation(self):
        if WINDOWS:
            # Settings that name a proxy nobody listens on: the word overrides them.
            with e2e.refusing_socket() as dead:
                use_settings(self.win, connection_settings(
                    3, proxy="127.0.0.1:%d" % dead.getsockname()[1]))
                code, out, log, _, seen = self.run_installer(
                    "word", words=["proxy=" + self.squid.address])
        else:
            code, out, log, _, seen = self.run_installer(
                "word", words=["proxy=" + self.squid.address],
                environment={"http_proxy": "http://127.0.0.1:9"})
        self.check_installed(code, out, log)
        self.check_through_proxy(seen, log)
        self.check_proxy_line(log, self.service, self.squid.address, "word")
        self.assertNotIn("cannot be reached", log)

    def test_proxy_word_with_a_password_signs_in_and_keeps_it_out_of_the_log(self):
        proxy = "%s:%s@%s" % (PROXY_USER + (self.guarded.address,))
        seen = len(self.guarded.requests())
        code, out, log, data, _ = self.run_installer("word-password", words=["proxy=" + proxy])
        self.check_installed(code, out, log)
        self.check_proxy_line(log, self.service, self.guarded.address, "word")
        for secret in PROXY_USER:
            self.assertNotIn(secret.encode(), data)
        requests = self.guarded.requests()[seen:]
        self.assertIn("200", {status for _, url, status in requests if "/inst/?" in url})

    # ---- Windows: the user's settings through WinHTTP ---------------------------------

    @unittest.skipUnless(WINDOWS, "the user's proxy settings are the Windows build's")
    def test_windows_manual_proxy_from_the_settings(self):
        cases = [
            # No bypass: FTP blocks go to the proxy too, which refuses them.
            ("manual", 3, "", False),
            # The FTP mirror's address on the bypass list: reached directly.
            ("bypass", 3, "<local>;127.0.0.*", True),
            # Auto-detection finds no script here: one log line, then the manual proxy.
            ("auto-detect", 11, "", False),
        ]
        for name, flags, bypass, ftp_direct in cases:
            with self.subTest(case=name):
                use_settings(self.win, connection_settings(
                    flags, proxy=self.squid.address, bypass=bypass))
                code, out, log, _, seen = self.run_installer(name)
                self.check_installed(code, out, log)
                requests = self.check_through_proxy(seen, log)
                self.check_proxy_line(log, self.service, self.squid.address, "settings")
                messages = e2e.log_messages(log)
                wpad = [m for m in messages if m.startswith("Proxy\tauto-detect (WPAD)")]
                self.assertEqual(len(wpad), 1 if flags & 8 else 0, wpad)
                ftp = [(u, s) for m, u, s in requests if u.startswith("ftp://")]
                ftp_blocks = [m for m in messages
                              if m.startswith("Download\t文件ftp://") and "下载完成" in m]
                if ftp_direct:
                    self.assertEqual(ftp, [])
                    self.assertTrue(ftp_blocks, "no FTP block came directly")
                else:
                    self.assertTrue(ftp, "no FTP request reached the proxy")
                    self.assertEqual({s for _, s in ftp}, {"403"})
                    self.assertEqual(ftp_blocks, [])

    @unittest.skipUnless(WINDOWS, "the user's proxy settings are the Windows build's")
    def test_windows_auto_configuration_script(self):
        pac = PacServer(
            "function FindProxyForURL(url, host) {\n"
            "  if (shExpMatch(host, '*.proxytest.invalid')) return 'PROXY %s';\n"
            "  return 'DIRECT';\n"
            "}\n" % self.squid.address)
        try:
            use_settings(self.win, connection_settings(5, script=pac.url))
            code, out, log, _, seen = self.run_installer("script")
        finally:
            pac.close()
        self.check_installed(code, out, log)
        requests = self.check_through_proxy(seen, log)
        self.check_proxy_line(log, self.service, self.squid.address, "PAC")
        self.check_proxy_line(log, self.mirror, self.squid.address, "PAC")
        # The script, asked about every server (FTP ones too), sends the FTP mirror's
        # address directly.
        self.assertNotIn("gave no answer", log)
        self.assertEqual([u for m, u, s in requests if u.startswith("ftp://")], [])
        self.assertTrue([m for m in e2e.log_messages(log)
                         if m.startswith("Download\t文件ftp://") and "下载完成" in m])

    @unittest.skipUnless(WINDOWS, "the user's proxy settings are the Windows build's")
    def test_windows_proxy_demanding_a_password(self):
        use_settings(self.win, connection_settings(3, proxy=self.guarded.address))
        code, out, log, data, _ = self.run_installer("password")
        self.check_refused_sign_in(code, out, log, data)


if __name__ == "__main__":
    if not INSTALLER or not SERVICE or not os.access(SERVICE, os.X_OK):
        skip("E2E_INSTALLER and E2E_SERVICE must name the installer and install-service")
    reason = squid_proxy.missing()
    if reason:
        skip(reason)
    unittest.main(verbosity=2)
