"""A real web proxy for the proxy tests: Debian's squid on 127.0.0.1 with a configuration
of the test's own (no cache; log, pid and host files in the test's directory). Its hosts
file names the test's made-up host names, so that only the proxy can reach them.
"""
import os
import pwd
import re
import shutil
import signal
import socket
import subprocess
import time

import e2e_support as e2e

SQUID = shutil.which("squid") or "/usr/sbin/squid"
BASIC_AUTH = "/usr/lib/squid/basic_ncsa_auth"
HTPASSWD = shutil.which("htpasswd") or "/usr/bin/htpasswd"


def missing():
    """Why the proxy cannot be started here, or None."""
    for program in (SQUID, BASIC_AUTH, HTPASSWD):
        if not os.access(program, os.X_OK):
            return "%s is missing (Debian packages squid and apache2-utils)" % program
    return None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class SquidProxy(e2e.Started):
    """squid listening on 127.0.0.1:port. directory: its own, below directories that
    others may enter. hosts: {name: address} only it resolves.
    password: (user, password) that it demands with Basic sign-in, or None. FTP is refused:
    an HTTP-only proxy, as many companies run."""

    def __init__(self, directory, hosts, password=None):
        self.directory = directory
        self.hosts = hosts
        self.password = password
        self.process = None
        self.access_log = os.path.join(directory, "access.log")

    def _config(self):
        d = self.directory
        lines = [
            "http_port 127.0.0.1:%d" % self.port,
            "pid_filename %s" % os.path.join(d, "squid.pid"),
            "access_log stdio:%s squid" % self.access_log,
            "cache_log %s" % os.path.join(d, "cache.log"),
            "cache_store_log none",
            "coredump_dir %s" % d,
            "hosts_file %s" % os.path.join(d, "hosts"),
            "cache deny all",
            "strip_query_terms off",
            "shutdown_lifetime 0 seconds",
            "netdb_filename none",
            "icp_port 0",
            "htcp_port 0",
            # "localhost" is one of squid's own names for an access list.
            "acl test_client src 127.0.0.1",
            "acl ftp_requests proto FTP",
            "http_access deny ftp_requests",
        ]
        if self.password:
            lines += [
                "auth_param basic program %s %s" % (BASIC_AUTH, os.path.join(d, "htpasswd")),
                "auth_param basic realm installer proxy test",
                "acl signed_in proxy_auth REQUIRED",
                "http_access deny !signed_in",
            ]
        lines += ["http_access allow test_client", "http_access deny all"]
        return "\n".join(lines) + "\n"

    def start(self):
        os.makedirs(self.directory, exist_ok=True)
        with open(os.path.join(self.directory, "hosts"), "w") as f:
            f.write("".join("%s\t%s\n" % (address, name) for name, address in self.hosts.items()))
        if self.password:
            subprocess.run([HTPASSWD, "-b", "-c", os.path.join(self.directory, "htpasswd")] +
                           list(self.password), check=True, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        if os.geteuid() == 0:
            # squid started by root works as the user "proxy": its files must be its own
            # (and the directories above it open to others, which the caller sees to).
            proxy = pwd.getpwnam("proxy")
            for name in [""] + os.listdir(self.directory):
                os.chown(os.path.join(self.directory, name), proxy.pw_uid, proxy.pw_gid)
        for _ in range(5):
            self.port = free_port()
            config = os.path.join(self.directory, "squid.conf")
            with open(config, "w") as f:
                f.write(self._config())
            log = open(os.path.join(self.directory, "squid.out"), "wb")
            self.process = subprocess.Popen([SQUID, "-N", "-f", config], stdout=log, stderr=log,
                                            start_new_session=True)
            log.close()
            if self._wait_listening():
                self.address = "127.0.0.1:%d" % self.port
                return
            self.stop()
        raise RuntimeError("squid does not listen; see %s" % self.directory)

    def _wait_listening(self, seconds=60):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                return False
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=1):
                    return True
            except OSError:
                time.sleep(0.1)
        return False

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None

    def requests(self):
        """(method, URL, status) of every request in the access log so far. squid writes
        its log lines as it handles the requests; the log is complete once it stopped or
        after the installer ended and a moment passed."""
        if not os.path.exists(self.access_log):
            return []
        result = []
        with open(self.access_log, encoding="utf-8", errors="replace") as f:
            for line in f:
                fields = line.split()
                if len(fields) >= 7:
                    status = re.sub(r"^.*/", "", fields[3])
                    result.append((fields[5], fields[6], status))
        return result
