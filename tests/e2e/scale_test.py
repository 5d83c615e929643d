#!/usr/bin/env python3
"""The deployment of docs/running-at-scale.md, with the page's own configurations: two
service instances with their events in PostgreSQL behind nginx (TLS on port 443), nginx
as the HTTP mirror and ProFTPD as the FTP mirror. The installer installs the demo through
them, and installations still complete when one instance is killed while they run.

The servers listen on the page's ports inside a network namespace of the test's own (a
mount namespace puts the test's authority over /etc/ssl/certs and its host name into
/etc/hosts), with a throw-away PostgreSQL cluster made inside it. Needs root; exits 77
(skipped) with the reason where the namespaces or the servers are missing.

Environment: as linux_install_test.py.
"""
import ftplib
import io
import os
import re
import shlex
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import e2e_support as e2e  # noqa: E402
from linux_install_test import PLANNED, LinuxRun, finish  # noqa: E402

sys.path.insert(0, os.path.join(e2e.ROOT, "server"))
import throwaway_pki as pki  # noqa: E402

SERVICE = os.environ.get("E2E_SERVICE", "")
INSTALLER = os.environ.get("E2E_INSTALLER", "")
WORK = os.environ.get("E2E_WORK", tempfile.gettempdir())
PAGE = os.path.join(e2e.ROOT, "docs", "running-at-scale.md")
INSIDE = "E2E_SCALE_NAMESPACE"
PAGE_DATABASE = "postgresql://install@db.example.com/install"
STEPS = ["firstpage", "needdown"] + ["ftpok"] * len(PLANNED["4.0"]) + ["setupok"]


def skip(reason):
    print("SKIPPED: " + reason)
    sys.exit(77)


def enter_namespaces():
    """Runs this script again inside new network and mount namespaces, and there under a
    throw-away PostgreSQL cluster."""
    if os.environ.get(INSIDE):
        if not os.environ.get("PGHOST"):
            os.execvp(os.path.join(HERE, "with-postgres"),
                      [os.path.join(HERE, "with-postgres"), sys.executable,
                       os.path.abspath(__file__)] + sys.argv[1:])
        return
    if not INSTALLER or not SERVICE or not os.access(SERVICE, os.X_OK):
        skip("E2E_INSTALLER and E2E_SERVICE must name the installer and install-service")
    if os.geteuid() != 0:
        skip("making network and mount namespaces needs root")
    for program in ("nginx", "proftpd", "pg_virtualenv"):
        if not shutil.which(program, path=os.environ.get("PATH", "") + ":/usr/sbin"):
            skip("%s is not installed (scripts/apt-packages.txt)" % program)
    probe = subprocess.run(["unshare", "--net", "--mount", "true"], stderr=subprocess.PIPE)
    if probe.returncode != 0:
        skip("unshare --net --mount: " + probe.stderr.decode("utf-8", "replace").strip())
    env = dict(os.environ)
    env[INSIDE] = "1"
    os.execvpe("unshare", ["unshare", "--net", "--mount", "--fork", sys.executable,
                           os.path.abspath(__file__)] + sys.argv[1:], env)


def page_blocks():
    """{("file" or "commands", name): text} of the blocks the page marks."""
    with open(PAGE, encoding="utf-8") as f:
        text = f.read()
    blocks = {}
    for kind, name, body in re.findall(r"<!-- (file|commands): ([^>]+?) -->\n```[a-z]*\n(.*?)```",
                                       text, re.S):
        blocks[(kind, name)] = body
    return blocks


class Deployment:
    """The page's servers, on its ports, with its paths moved below `base`."""

    def __init__(self, base):
        self.base = base
        self.processes = {}
        self.replacements = [(PAGE_DATABASE, e2e.database_uri()),
                             ("/srv/install", os.path.join(base, "srv")),
                             ("/etc/install-service", os.path.join(base, "etc")),
                             ("/run/install-service", os.path.join(base, "run")),
                             ("install.example.com", "localhost")]

    def localized(self, text):
        for page, here in self.replacements:
            text = text.replace(page, here)
        return text

    def start(self):
        # Workers of nginx and ProFTPD's logged-in users read below the base.
        os.makedirs(self.base)
        for d in (os.path.dirname(self.base), self.base):
            os.chmod(d, 0o755)
        srv = os.path.join(self.base, "srv")
        for d in ("srv", "etc", "etc/tls", "run", "logs"):
            os.makedirs(os.path.join(self.base, d), exist_ok=True)
        subprocess.run([os.path.join(e2e.ROOT, "demo", "generate"), srv], check=True,
                       stdout=subprocess.DEVNULL, timeout=120)
        shutil.copy(os.path.join(e2e.ROOT, "demo", "catalog.json"),
                    os.path.join(srv, "catalog.json"))
        self.files = os.path.join(srv, "files")
        self.make_certificate()
        blocks = page_blocks()
        for (kind, name), body in blocks.items():
            if kind == "file":
                with open(os.path.join(self.base, "etc", name), "w", encoding="utf-8") as f:
                    f.write(self.localized(body))
            elif name != "services":
                subprocess.run(["sh", "-e", "-c", self.localized(body)], check=True)
        os.chmod(os.path.join(self.base, "etc", "mirror.htpasswd"), 0o644)

        for number, line in enumerate(blocks[("commands", "services")].strip().splitlines()):
            words = shlex.split(self.localized(line))
            assert words[0] == "install-service", line
            self.spawn("service-%d" % number, [SERVICE] + words[1:],
                       r"install service listening on [0-9.]+:(\d+)")
        self.spawn("proftpd", ["proftpd", "--nodaemon", "--config",
                               os.path.join(self.base, "etc", "proftpd.conf")], None)
        self.spawn("nginx", ["nginx", "-p", self.base, "-c", self.nginx_main()], None)
        for port in (443, 8001, 2121, 8010, 8011):
            e2e.wait_for(lambda: self.listening(port), "a server on port %d" % port)

    def make_certificate(self):
        pkidir = os.path.join(self.base, "pki")
        authority = pki.make_authority(pkidir, "Installer Scale Test Authority")
        cert, key = pki.make_server_certificate(pkidir, "localhost", authority, dns=["localhost"],
                                                ips=["127.0.0.1"])
        shutil.copy(cert, os.path.join(self.base, "etc", "tls", "fullchain.pem"))
        shutil.copy(key, os.path.join(self.base, "etc", "tls", "privkey.pem"))
        trust = pki.make_trust_directory(os.path.join(pkidir, "trust"), [authority[0]])
        hosts = os.path.join(pkidir, "hosts")
        with open(hosts, "w") as f:
            # The machine's own name as well, which ProFTPD resolves at start.
            f.write("127.0.0.1\tlocalhost %s\n" % socket.gethostname())
        for source, target in ((trust, "/etc/ssl/certs"), (hosts, "/etc/hosts")):
            subprocess.run(["mount", "--bind", source, target], check=True)
        self.authority = authority[0]

    def nginx_main(self):
        """What Debian's /etc/nginx/nginx.conf gives a conf.d file, with the test's own
        pid file, logs and temporary directories."""
        path = os.path.join(self.base, "nginx.conf")
        logs = os.path.join(self.base, "logs")
        with open(path, "w") as f:
            f.write("daemon off;\nworker_processes 2;\npid %s/nginx.pid;\n"
                    "error_log %s/nginx-error.log;\nevents { worker_connections 512; }\n"
                    "http {\n  access_log %s/nginx-access.log;\n  client_body_temp_path %s/body;\n"
                    "  proxy_temp_path %s/proxy;\n  fastcgi_temp_path %s/fastcgi;\n"
                    "  uwsgi_temp_path %s/uwsgi;\n  scgi_temp_path %s/scgi;\n"
                    "  include %s/etc/install-service.conf;\n  include %s/etc/install-mirror.conf;\n"
                    "}\n" % ((self.base, logs, logs) + (logs,) * 5 + (self.base, self.base)))
        return path

    def spawn(self, name, command, port_pattern):
        log_path = os.path.join(self.base, "logs", name + ".log")
        with open(log_path, "wb") as log:
            self.processes[name] = subprocess.Popen(command, stdout=log, stderr=log,
                                                    start_new_session=True)
        if port_pattern and e2e.wait_for_port(log_path, port_pattern, self.processes[name]) is None:
            raise RuntimeError("%s does not start; see %s" % (name, log_path))

    def listening(self, port):
        for name, process in self.processes.items():
            if process.poll() is not None:
                raise AssertionError("%s ended:\n%s" % (name, self.log(name)))
        with socket.create_connection((e2e.HOST, port), timeout=2):
            return True

    def kill(self, name):
        self.processes[name].send_signal(signal.SIGKILL)
        self.processes[name].wait(timeout=30)

    def stop(self):
        e2e.stop_processes(self.processes.values(), 30)

    def package_path(self, name):
        return os.path.join(self.files, "qz", name)

    def log(self, name):
        with open(os.path.join(self.base, "logs", name + ".log"), encoding="utf-8",
                  errors="replace") as f:
            return f.read()


class ScaleTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="scale-", dir=WORK)
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        cls.deployment = Deployment(os.path.join(cls.scratch, "deployment"))
        try:
            cls.deployment.start()
        except BaseException:
            cls.deployment.stop()
            shutil.rmtree(cls.scratch, ignore_errors=True)
            raise

    @classmethod
    def tearDownClass(cls):
        cls.deployment.stop()
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def install(self, name):
        run = LinuxRun(os.path.join(self.scratch, name))
        return run, run.start("localhost", ["netver=4.0"])

    def finished(self, run, process):
        code, out, err = finish(process, 300)
        self.assertEqual(code, 0, "stdout:\n%s\nstderr:\n%s" % (out, err))
        self.assertIn("安装完成", out)
        text = e2e.read_log(run.log_path)[0]
        self.assertIn("HttpGet\t\thttps://localhost/inst/?comname=Vornel", text)
        return e2e.log_guid(text)

    def test_a_installation_through_the_page_servers(self):
        run, process = self.install("through-nginx")
        guid = self.finished(run, process)
        e2e.check_package_files(self, self.deployment, run.install_dir, "4.0")
        # Both mirrors served blocks: nginx logged ranges, ProFTPD logins (the installer
        # downloads every package from both at once).
        access = self.deployment.log("nginx-access")
        self.assertRegex(access, r'"GET /qz/qz-app\.zip\?username=qzhttp&password=\S+ HTTP/1\.1" 206')
        self.assertRegex(access, r'"GET /+qz/agreement\.txt HTTP/1\.1" 200')
        e2e.wait_for(lambda: sorted(r[0] for r in e2e.psql(
            "SELECT event FROM install_events WHERE guid = '%s'" % guid)) == sorted(STEPS),
            "the installation's events in the table")

    def test_mirrors_refuse_what_the_page_refuses(self):
        cases = [
            ("/qz/qz-app.zip?username=qzhttp&password=wrong", {}, 403),
            ("/qz/qz-app.zip?username=someone&password=Http-Demo.2024", {}, 403),
            ("/qz/agreement.txt", {}, 401),
            ("/qz/agreement.txt", {"Authorization": "Basic cXpodHRwOndyb25n"}, 401),
            ("/../catalog.json?username=qzhttp&password=Http-Demo.2024", {}, 400),
            ("/qz/qz-app.zip?username=qzhttp&password=Http-Demo.2024", {"Range": "bytes=0-9"}, 206),
        ]
        for path, headers, status in cases:
            with self.subTest(path=path, headers=headers):
                request = urllib.request.Request("http://127.0.0.1:8001" + path, headers=headers)
                try:
                    with urllib.request.urlopen(request, timeout=30) as answer:
                        got, body = answer.status, answer.read()
                except urllib.error.HTTPError as error:
                    got, body = error.code, b""
                self.assertEqual(got, status)
                if status == 206:
                    with open(self.deployment.package_path("qz-app.zip"), "rb") as f:
                        self.assertEqual(body, f.read(10))
        ftp = ftplib.FTP()
        ftp.connect(e2e.HOST, 2121, timeout=30)
        with self.assertRaises(ftplib.error_perm):
            ftp.login("qzftp", "wrong")
        ftp.close()
        ftp = ftplib.FTP()
        ftp.connect(e2e.HOST, 2121, timeout=30)
        ftp.login("qzftp", "Ftp-Demo.2024")
        self.assertIn("/qz/qz-app.zip", ftp.nlst("/qz"))
        with self.assertRaises(ftplib.error_perm):
            ftp.storbinary("STOR /qz/new.zip", io.BytesIO(b"x"))
        with self.assertRaises(ftplib.error_perm):
            ftp.cwd("/../..")
            ftp.retrbinary("RETR catalog.json", lambda data: None)
        ftp.quit()
        context = ssl.create_default_context(cafile=self.deployment.authority)
        with urllib.request.urlopen("https://localhost/health", context=context,
                                    timeout=30) as answer:
            self.assertEqual(answer.read(), b"OK\n")

    def test_z_installations_complete_when_an_instance_is_killed(self):
        runs = [self.install("killed-%d" % n) for n in range(3)]
        # Killed once the installations are under way.
        e2e.wait_for(lambda: all(os.path.exists(r.log_path) and "action=needdown" in
                             e2e.read_log(r.log_path)[0] for r, _ in runs),
                 "the installations' plans")
        self.deployment.kill("service-0")
        for run, process in runs:
            self.finished(run, process)
        self.assertIsNotNone(self.deployment.processes["service-0"].poll())
        # Queries did reach the dead instance's place, and nginx asked the other one.
        self.assertIn("upstream: \"http://127.0.0.1:8010", self.deployment.log("nginx-error"))


if __name__ == "__main__":
    enter_namespaces()
    unittest.main()
