"""Shared pieces of the end-to-end tests: the demo's servers on 127.0.0.1 (install
service, HTTP mirror and FTP mirror as separate processes, so that a test can kill one
mirror), the installer run with a private home, and readers for what it leaves behind.
"""
import json
import os
import re
import signal
import socket
import subprocess
import time
import urllib.request
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HOST = "127.0.0.1"
# The mirrors' ips in demo/catalog.json, replaced by the ports the test uses.
CATALOG_HTTP = "127.0.0.1:8001"
CATALOG_FTP = "127.0.0.1:2121"
SUMMARY_RULE = "--下载&安装日志---------------------------------------"
PACKAGE_FILES = ("qz-app.zip", "qz-data.zip", "qz-legacy.zip", "qz-net20.zip", "qz-net40.zip",
                 "unins000.zip", "setup.exe")
# The demo catalog's clear passwords: none may reach the installer's log.
CLEAR_PASSWORDS = ("Http-Demo.2024", "Ftp-Demo.2024", "Qz-Data.Pass-7")
DATA_PASSWORD = b"Qz-Data.Pass-7"


def refusing_socket():
    """A socket bound to a loopback port that never listens: connections to the port are
    refused, and no other server can take it while the socket is open."""
    s = socket.socket()
    s.bind((HOST, 0))
    return s


def wait_for_port(log_path, pattern, process, seconds=60):
    """The port a server chose, from the line it prints once it listens."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        with open(log_path, encoding="utf-8", errors="replace") as f:
            found = re.search(pattern, f.read())
        if found:
            return int(found.group(1))
        if process.poll() is not None:
            return None
        time.sleep(0.1)
    return None


class Started:
    """Servers that start() brings up and stop() takes down, as a context manager; stop()
    also cleans up after a start() that failed half-way."""

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()


class DemoServers(Started):
    """The demo catalog served by the reference service and its two mirrors."""

    def __init__(self, state, service_binary, windows=False, data_kib=None, tls=None,
                 mirror_names=(HOST, HOST), events=None, service_args=()):
        """tls: (certificate, key) to serve the install service over HTTPS as well, on
        port 443 of 127.0.0.1 (which needs a network namespace of the test's own).
        mirror_names: the host names the service's catalog gives the HTTP and the FTP
        mirror (both listen on 127.0.0.1).
        events: the service's --events (default: events.jsonl in the state directory);
        service_args: more arguments of the service."""
        self.tls = tls
        self.mirror_names = mirror_names
        self.state = state
        self.service_binary = service_binary
        self.windows = windows
        self.data_kib = data_kib
        self.processes = {}
        self.files = os.path.join(state, "files")
        self.events_path = os.path.join(state, "events.jsonl")
        self.events_target = events or self.events_path
        self.service_args = list(service_args)

    def start(self):
        os.makedirs(self.state, exist_ok=True)
        generate = [os.path.join(ROOT, "demo", "generate"), self.state]
        if self.windows:
            generate.append("--windows")
        if self.data_kib:
            generate.append("--data-kib=%d" % self.data_kib)
        subprocess.run(generate, check=True, stdout=subprocess.DEVNULL, timeout=120)

        # Every server takes a port of its own choosing and prints it, so that nothing can
        # take a port between its choice and its use. The mirrors read the demo catalog as
        # it is, under the ips it names them by; the service's catalog has the real ports.
        demo_catalog = os.path.join(ROOT, "demo", "catalog.json")
        common = ["--files", self.files, "--listen", HOST]
        # A second instance of the service program is the HTTP mirror on its own.
        self.http_port = self._spawn(
            "http", [self.service_binary, "--catalog", demo_catalog] + common +
            ["--port", "0", "--mirror-port", "0", "--mirror-address", CATALOG_HTTP,
             "--events", os.path.join(self.state, "mirror-events.jsonl")],
            r"HTTP mirror listening on [0-9.]+:(\d+)")
        self.ftp_port = self._spawn(
            "ftp", [os.path.join(ROOT, "server", "ftp-mirror"), "--catalog", demo_catalog] +
            common + ["--port", "0", "--address", CATALOG_FTP],
            r"FTP mirror listening on [0-9.]+:(\d+)")

        with open(demo_catalog, encoding="utf-8") as f:
            catalog = f.read()
        http_name, ftp_name = self.mirror_names
        catalog = catalog.replace('"%s"' % CATALOG_HTTP, '"%s:%d"' % (http_name, self.http_port))
        catalog = catalog.replace('"%s"' % CATALOG_FTP, '"%s:%d"' % (ftp_name, self.ftp_port))
        self.catalog = os.path.join(self.state, "catalog.json")
        with open(self.catalog, "w", encoding="utf-8") as f:
            f.write(catalog)
        tls = ["--tls-cert", self.tls[0], "--tls-key", self.tls[1]] if self.tls else []
        self.service_port = self._spawn(
            "service", [self.service_binary, "--catalog", self.catalog] + common +
            ["--port", "0", "--events", self.events_target] + tls + self.service_args,
            r"install service listening on [0-9.]+:(\d+)")
        self.service = "%s:%d" % (HOST, self.service_port)
        probe = "http://%s/inst/?comname=Vornel&appid=qz&action=getver" % self.service
        with urllib.request.urlopen(probe, timeout=30) as answer:
            if not answer.read().startswith(b"OK"):
                raise RuntimeError("the install service does not answer OK")

    def _spawn(self, name, command, port_pattern):
        log_path = os.path.join(self.state, name + ".log")
        with open(log_path, "wb") as log:
            process = subprocess.Popen(command, stdout=log, stderr=log, start_new_session=True)
        self.processes[name] = process
        port = wait_for_port(log_path, port_pattern, process)
        if port is None:
            raise RuntimeError("%s does not listen; see %s" % (name, log_path))
        return port

    def kill(self, name):
        process = self.processes[name]
        if process.poll() is None:
            process.kill()
            process.wait(timeout=10)

    def remove_packages(self):
        """The mirrors keep running but refuse every package (404)."""
        for name in PACKAGE_FILES:
            path = os.path.join(self.files, "qz", name)
            if os.path.exists(path):
                os.remove(path)

    def stop(self):
        stop_processes(self.processes.values(), 5)

    def events(self, guid=None):
        if not os.path.exists(self.events_path):
            return []
        with open(self.events_path, encoding="utf-8") as f:
            events = [json.loads(line) for line in f if line.strip()]
        return [e for e in events if guid is None or e.get("guid") == guid]

    def package_path(self, name):
        return os.path.join(self.files, "qz", name)


def block_requests(servers, name):
    """Requests for package `name` in the mirrors' own logs so far: HTTP GETs (the size
    probes are HEADs) and FTP transfers."""
    def read(log):
        with open(os.path.join(servers.state, log), "rb") as f:
            return f.read()
    package = re.escape(name.encode("utf-8"))
    return (len(re.findall(rb"GET /qz/" + package, read("http.log"))) +
            len(re.findall(rb"RETR \S*/qz/" + package, read("ftp.log"))))


def resume_record_blocks(path):
    """Per block, whether the resume record at `path` lists it as in the partial file."""
    with open(path, encoding="utf-8") as f:
        count, bits = re.search(r"^blocks (\d+) ([0-9a-f]*)$", f.read(), re.M).groups()
    return [bit == "1" for bit in "".join(format(int(d, 16), "04b") for d in bits)[:int(count)]]


def stop_processes(processes, seconds):
    """SIGTERM to every process still running, then SIGKILL to those that outlast
    `seconds`."""
    processes = list(processes)
    for process in processes:
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
    for process in processes:
        try:
            process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def wait_for(condition, what, seconds=120):
    """Waits until condition() is true (a generous bound on a wait, never on a speed);
    a condition that raises OSError or CalledProcessError counts as not yet true."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            if condition():
                return
        except (OSError, subprocess.CalledProcessError):
            pass
        time.sleep(0.2)
    raise AssertionError("waited %d s in vain for %s" % (seconds, what))


def database_uri(host=None, port=None):
    """The PostgreSQL cluster of tests/e2e/with-postgres, as the service's --events; the
    password stays in PGPASSWORD."""
    return "postgresql://%s@%s:%s/%s" % (os.environ["PGUSER"], host or os.environ["PGHOST"],
                                         port or os.environ["PGPORT"], os.environ["PGDATABASE"])


def psql(sql):
    """The rows of a query as lists of texts."""
    result = subprocess.run(["psql", "-X", "-At", "-v", "ON_ERROR_STOP=1", "-c", sql],
                            capture_output=True, text=True, check=True)
    return [line.split("|") for line in result.stdout.splitlines() if line]


# The proxy settings libcurl reads from the environment: a run sets its own or none.
PROXY_VARIABLES = ("http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "no_proxy",
                   "HTTPS_PROXY", "FTP_PROXY", "ALL_PROXY", "NO_PROXY")


class LinuxInstaller:
    """Console runs of the Linux installer, each with a home and directories of its own
    below `base`."""

    def __init__(self, installer, base):
        self.installer = installer
        self.base = base

    def run(self, servers, name, environment=None, words=()):
        """(exit code, output, Install.log text, Install.log bytes) of one run against the
        service entries `servers`."""
        home = os.path.join(self.base, name, "home")
        tmp = os.path.join(self.base, name, "tmp")
        for d in (home, tmp):
            os.makedirs(d, exist_ok=True)
        env = dict(os.environ, HOME=home, TMPDIR=tmp, LC_ALL="C.UTF-8",
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                   XDG_CONFIG_HOME=os.path.join(home, ".config"))
        for variable in PROXY_VARIABLES + ("XDG_DESKTOP_DIR",):
            env.pop(variable, None)
        env.update(environment or {})
        command = ";".join(["ui=console", "server=" + ",".join(servers),
                            "installdir=" + os.path.join(self.base, name, "inst"),
                            "downloaddir=" + os.path.join(self.base, name, "downloads")] +
                           list(words))
        result = subprocess.run([self.installer, command], env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=600)
        log, data = read_log(os.path.join(tmp, "Install.log"))
        return result.returncode, result.stdout.decode("utf-8", "replace"), log, data


def installer_runs(installer, base):
    """LinuxInstaller, or windows_e2e.WindowsInstaller for an .exe."""
    if installer.lower().endswith(".exe"):
        import windows_e2e
        return windows_e2e.WindowsInstaller(installer, base)
    return LinuxInstaller(installer, base)


def read_log(path):
    """Install.log as (text without the byte-order mark, bytes)."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"\xef\xbb\xbf"):
        raise AssertionError("Install.log does not start with the UTF-8 byte-order mark")
    return data[3:].decode("utf-8"), data


def log_messages(text):
    """The messages of the timestamped lines, in order, without the line ends that the
    init sequence's texts carry."""
    stamp = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\t(.*)$")
    return [m.group(1).rstrip("\r") for m in (stamp.match(line) for line in text.split("\n")) if m]


def log_guid(text):
    """The guid the service handed out in its firstpage answer."""
    match = re.search(r'action=firstpage[^\r\n]*\r\n[^\r\n]*HttpResponse\tOK.*?"guid":"([0-9A-F-]+)"',
                      text)
    return match.group(1) if match else None


def summary_block(text):
    """The lines between the two rules of the download-and-install summary."""
    lines = text.replace("\r\n", "\n").split("\n")
    starts = [i for i, line in enumerate(lines) if line == SUMMARY_RULE]
    if len(starts) != 2:
        return None
    return lines[starts[0] + 1:starts[1]]


def read_ini(path, encoding="utf-8"):
    """Sections of an INI file as {section: {key: value}} (keys as written)."""
    sections, current = {}, None
    with open(path, "rb") as f:
        text = f.read().decode(encoding)
    if text.startswith("\ufeff"):
        text = text[1:]
    for line in text.replace("\r\n", "\n").split("\n"):
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1], {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key.strip()] = value.strip()
    return sections


def config_for(original, netver):
    """The .config text after the runtime patch for netver 4.0; 2.0 leaves it alone."""
    if netver != "4.0":
        return original
    return original.replace(b"<startup>", b'<startup useLegacyV2RuntimeActivationPolicy="true">') \
        .replace(b'<supportedRuntime version="v2.0.50727"/>', b'<supportedRuntime version="v4.0"/>')


def wait_for_log(path, pattern, timeout, process=None):
    """Waits until a line of the log matches the regular expression; False when none does
    within timeout or the process ended first."""
    expression = re.compile(pattern.encode("utf-8"))
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            with open(path, "rb") as f:
                if expression.search(f.read()):
                    return True
        except OSError:
            pass
        if process is not None and process.poll() is not None:
            return False
        time.sleep(0.02)
    return False


def zip_member(path, name, password=None):
    with zipfile.ZipFile(path) as z:
        return z.read(name, pwd=password)


def check_package_files(test, servers, inst, netver):
    """Every file the demo packages put below `inst`, byte for byte (the password-protected
    package included; .config files in the form of the chosen runtime)."""
    app_zip = servers.package_path("qz-app.zip")
    for name in ("QzDemo.exe", "readme.txt", "tools/QzTool.exe", "config/user.cfg"):
        with open(os.path.join(inst, name), "rb") as f:
            test.assertEqual(f.read(), zip_member(app_zip, name), name)
    with open(os.path.join(inst, "uninst", "unins000.exe"), "rb") as f:
        test.assertEqual(f.read(), zip_member(servers.package_path("unins000.zip"), "unins000.exe"))
    with open(os.path.join(inst, "lib", "QzDemo.Runtime.txt"), "rb") as f:
        test.assertEqual(f.read(), ("runtime files for .NET %s\r\n" % netver).encode())
    data_zip = servers.package_path("qz-data.zip")
    for name in ("levels.bin", "levels.txt"):
        with open(os.path.join(inst, "data", name), "rb") as f:
            test.assertEqual(f.read(), zip_member(data_zip, name, DATA_PASSWORD), name)
    for name in ("QzDemo.exe.config", "tools/QzTool.exe.config"):
        with open(os.path.join(inst, name), "rb") as f:
            test.assertEqual(f.read(), config_for(zip_member(app_zip, name), netver), name)
