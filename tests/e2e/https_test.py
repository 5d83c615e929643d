#!/usr/bin/env python3
"""The install service over HTTPS, on the Linux build or on installer.exe under Wine: a
good certificate installs the demo, and a certificate from an unknown authority, one for
another host and an expired one are each refused before any query reaches their server.

The servers listen on port 443 of loopback addresses (the port HTTPS service entries
use) inside a network namespace of the test's own, and a mount namespace puts a
certificate directory holding only the test's authority over /etc/ssl/certs and the
test's host names into /etc/hosts: the machine's trust, ports and names stay untouched.
Needs root (unshare); exits 77 (skipped) with the reason where namespaces cannot be made.

Environment: as linux_install_test.py, or windows_e2e.py when E2E_INSTALLER is an .exe.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import e2e_support as e2e  # noqa: E402

sys.path.insert(0, os.path.join(e2e.ROOT, "server"))
import throwaway_pki as pki  # noqa: E402
import squid_proxy  # noqa: E402

INSTALLER = os.environ.get("E2E_INSTALLER", "")
SERVICE = os.environ.get("E2E_SERVICE", "")
WORK = os.environ.get("E2E_WORK", tempfile.gettempdir())
WINDOWS = INSTALLER.lower().endswith(".exe")
INSIDE = "E2E_HTTPS_NAMESPACE"

# The servers with a wrong certificate: host name and address.
BAD_SERVERS = [("unknown.test", "127.0.0.4"), ("wronghost.test", "127.0.0.5"),
               ("expired.test", "127.0.0.6")]
# The entries that reach them, and the fault the Windows build names. The certificate for
# another host names no address either.
BAD_ENTRIES = [("unknown.test", "unknown authority"), ("wronghost.test", "wrong name"),
               ("expired.test", "expired"), ("127.0.0.5", "wrong name")]
HOSTS = "127.0.0.1\tlocalhost\n" + "".join("%s\t%s\n" % (a, n) for n, a in BAD_SERVERS)


def skip(reason):
    print("SKIPPED: " + reason)
    sys.exit(77)


def enter_namespaces():
    """Runs this script again inside new network and mount namespaces."""
    if os.environ.get(INSIDE):
        return
    if not INSTALLER or not SERVICE or not os.access(SERVICE, os.X_OK):
        skip("E2E_INSTALLER and E2E_SERVICE must name the installer and install-service")
    if os.geteuid() != 0:
        skip("making network and mount namespaces needs root")
    probe = subprocess.run(["unshare", "--net", "--mount", "true"], stderr=subprocess.PIPE)
    if probe.returncode != 0:
        skip("unshare --net --mount: " + probe.stderr.decode("utf-8", "replace").strip())
    if not os.path.isdir("/etc/ssl/certs"):
        skip("no /etc/ssl/certs to mount the test's authority over")
    env = dict(os.environ)
    env[INSIDE] = "1"
    # Mounts made inside stay inside (util-linux makes the new namespace's mounts private).
    os.execvpe("unshare", ["unshare", "--net", "--mount", "--fork", sys.executable,
                           os.path.abspath(__file__)] + sys.argv[1:], env)


def set_up_namespace(directory):
    """Loopback up; the test's certificates made; its authority the only one trusted and
    its host names known. Returns {name: (certificate, key)}."""
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    authority = pki.make_authority(directory, "Installer Test Authority")
    stranger = pki.make_authority(os.path.join(directory, "stranger"), "Unknown Test Authority")
    certificates = {
        "localhost": pki.make_server_certificate(
            directory, "localhost", authority, dns=["localhost"],
            ips=["127.0.0.1", "127.0.0.2", "127.0.0.3"]),
        "unknown.test": pki.make_server_certificate(directory, "unknown", stranger,
                                                    dns=["unknown.test"]),
        "wronghost.test": pki.make_server_certificate(directory, "wronghost", authority,
                                                      dns=["other.test"]),
        "expired.test": pki.make_server_certificate(directory, "expired", authority,
                                                    dns=["expired.test"], days=-1),
    }
    trust = pki.make_trust_directory(os.path.join(directory, "trust"), [authority[0]])
    hosts = os.path.join(directory, "hosts")
    with open(hosts, "w") as f:
        f.write(HOSTS)
    for source, target in ((trust, "/etc/ssl/certs"), (hosts, "/etc/hosts")):
        subprocess.run(["mount", "--bind", source, target], check=True)
    return certificates


def start_tls_service(state, name, address, certificate, catalog, files):
    """An install service answering over HTTPS only, on address:443."""
    log_path = os.path.join(state, name + ".log")
    with open(log_path, "wb") as log:
        process = subprocess.Popen(
            [SERVICE, "--catalog", catalog, "--files", files, "--listen", address, "--port", "off",
             "--tls-cert", certificate[0], "--tls-key", certificate[1], "--tls-port", "443",
             "--events", os.path.join(state, name + "-events.jsonl")],
            stdout=log, stderr=log, start_new_session=True)
    if e2e.wait_for_port(log_path, r"listening for HTTPS on [0-9.]+:(\d+)", process) != 443:
        process.kill()
        raise RuntimeError("%s does not listen on %s:443; see %s" % (name, address, log_path))
    return process, log_path


class HttpsServiceTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="https-", dir=WORK)
        certificates = set_up_namespace(os.path.join(cls.scratch, "pki"))
        state = os.path.join(cls.scratch, "state")
        cls.servers = e2e.DemoServers(state, SERVICE, windows=WINDOWS,
                                      tls=certificates["localhost"])
        cls.servers.__enter__()
        cls.extra = []
        try:
            cls.logs = {}  # by address
            for name, address in BAD_SERVERS:
                process, cls.logs[address] = start_tls_service(
                    state, name, address, certificates[name], cls.servers.catalog,
                    cls.servers.files)
                cls.extra.append(process)
            # A service by its address: the name check matches addresses too.
            process, cls.logs["127.0.0.2"] = start_tls_service(
                state, "by-address", "127.0.0.2", certificates["localhost"], cls.servers.catalog,
                cls.servers.files)
            cls.extra.append(process)
            runs = os.path.join(cls.scratch, "runs")
            if WINDOWS:
                import windows_e2e as win
                # The prefix is made inside the namespace, so that Wine's root store is
                # built from the test's authority.
                shutil.rmtree(win.WINE_HOME, ignore_errors=True)
            cls.installer = e2e.installer_runs(INSTALLER, runs)
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        for process in cls.extra:
            process.terminate()
            process.wait(timeout=10)
        cls.servers.__exit__(None, None, None)
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def queries_seen(self, entry):
        address = dict(BAD_SERVERS).get(entry, entry)
        with open(self.logs[address], encoding="utf-8", errors="replace") as f:
            return [line for line in f if " GET " in line]

    def check_installed(self, code, out, log):
        self.assertEqual(code, 0, out)
        self.assertIn("安装完成", out)
        guid = e2e.log_guid(log)
        self.assertIsNotNone(guid, log)
        return guid

    def refusals(self, log, entry):
        return [m for m in e2e.log_messages(log) if m.startswith("HttpGet\t\t%s\t" % entry)]

    def check_refused(self, log, entry, fault, attempts):
        """Every attempt at the entry refused, with its line after the attempt's own."""
        messages = e2e.log_messages(log)
        asked = [i for i, m in enumerate(messages) if m.startswith("HttpGet\t\thttps://%s/" % entry)]
        self.assertEqual(len(asked), attempts, "\n".join(messages))
        lines = self.refusals(log, entry)
        self.assertEqual(len(lines), attempts, "\n".join(messages))
        for at in asked:
            self.assertEqual(messages[at + 1:at + 3], ["HttpGet\t\tfaild", lines[0]])
        self.assertRegex(lines[0], r"CURLcode\(\d+\) .+")
        if WINDOWS:
            self.assertIn("certificate: " + fault, lines[0])
        self.assertEqual(self.queries_seen(entry), [], "%s saw a query" % entry)
        print(lines[0].replace("\t", " | "))

    def test_installs_through_https_entries_only(self):
        for entry in ("localhost", "127.0.0.2"):
            with self.subTest(entry=entry):
                code, out, log, _ = self.installer.run([entry], "good-" + entry)
                guid = self.check_installed(code, out, log)
                self.assertIn("HttpGet\t\thttps://%s/inst/?comname=Vornel&appid=qz&action=setupok"
                              % entry, log)
                if entry == "localhost":
                    kinds = {e["event"] for e in self.servers.events(guid)}
                    self.assertEqual(kinds, {"firstpage", "needdown", "ftpok", "setupok"})
                else:
                    self.assertTrue(self.queries_seen(entry))

    def test_through_a_proxy_tunnel_certificates_are_checked_as_without_it(self):
        """A proxy between the installer and the services: the requests go through its
        CONNECT tunnels, and each certificate is still the server's, refused or accepted as
        without the proxy."""
        reason = squid_proxy.missing()
        if reason:
            self.skipTest(reason)
        os.chmod(self.scratch, 0o755)
        names = dict(BAD_SERVERS, localhost="127.0.0.1")
        bad = [entry for entry, _ in BAD_ENTRIES]
        with squid_proxy.SquidProxy(os.path.join(self.scratch, "squid"), names) as squid:
            code, out, log, _ = self.installer.run(bad + ["localhost"], "tunnel",
                                                words=["proxy=" + squid.address])
            self.check_installed(code, out, log)
            self.assertIn("Proxy\tlocalhost via http://%s (word)" % squid.address,
                          e2e.log_messages(log))
            for name, fault in BAD_ENTRIES:
                with self.subTest(server=name):
                    self.check_refused(log, name, fault, attempts=1)
        # A tunnel is logged when it closes: read once squid has stopped.
        tunnels = {url for method, url, _ in squid.requests() if method == "CONNECT"}
        self.assertEqual(tunnels, {entry + ":443" for entry in bad + ["localhost"]})

    def test_bad_certificates_are_refused_and_the_next_entry_asked(self):
        bad = [entry for entry, _ in BAD_ENTRIES]
        code, out, log, _ = self.installer.run(bad + ["localhost"], "after-bad")
        self.check_installed(code, out, log)
        # Once the good entry answered, it is asked first: each bad one was tried once.
        for name, fault in BAD_ENTRIES:
            with self.subTest(server=name):
                self.check_refused(log, name, fault, attempts=1)

    def test_only_bad_certificates_end_the_run(self):
        bad = [entry for entry, _ in BAD_ENTRIES]
        code, out, log, _ = self.installer.run(bad, "only-bad")
        self.assertEqual(code, 1, out)
        # The initialization sequence asks for the server list and the configuration.
        for name, fault in BAD_ENTRIES:
            with self.subTest(server=name):
                self.check_refused(log, name, fault, attempts=2)


if __name__ == "__main__":
    enter_namespaces()
    unittest.main(verbosity=2)
