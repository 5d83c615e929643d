"""scripts/bench-service --fleet: a simulated fleet against two service instances behind
nginx, once with the events in a JSON-lines file and once in PostgreSQL, in the same run.

Each simulated installer sends one installation's queries in order (downserverlist,
firstpage, getver, needdown with the guid it got, getftp per mirror, ftpok per package,
appfilesnot, appexe, companyname, createicon, setupok) and starts the next installation
when it is done. Printed per form: queries per second, answer latency (median, 99th
percentile), events answered, events found in the file or table afterwards (lost =
answered but not found), the CPU time the instances, nginx and the database spent per
thousand queries (which other load on a shared machine blurs less than the rates) and,
for PostgreSQL, the write lag from queue to table that the instances measure. The forms
take turns over the rounds. The PostgreSQL cluster is a throw-away one (pg_virtualenv).

usage: scripts/bench-service --fleet [--installers 40] [--seconds 20] [--rounds 2]
                                     [--binary PATH]
"""
import argparse
import http.client
import multiprocessing
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HOST = "127.0.0.1"
PREFIX = "/inst/?comname=Vornel&appid=qz&action="
EVENT_ACTIONS = ("firstpage", "needdown", "ftpok", "setupok")
PLAN = "netver=4.0&Net20=N&Net40=Y&os=win10&Chrome=N&ie=11"


def free_port():
    with socket.socket() as s:
        s.bind((HOST, 0))
        return s.getsockname()[1]


def wait_for_line(path, pattern, process, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        with open(path, encoding="utf-8", errors="replace") as f:
            found = re.search(pattern, f.read())
        if found:
            return found
        if process.poll() is not None:
            return None
        time.sleep(0.05)
    return None


def installation(connection, servers, record):
    """One installation's queries in order; record(action, seconds, ok)."""
    def ask(action, query=""):
        start = time.perf_counter()
        connection.request("GET", PREFIX + action + query)
        response = connection.getresponse()
        body = response.read()
        ok = response.status == 200 and body.startswith(b"OK")
        record(action, time.perf_counter() - start, ok)
        return body if ok else None

    ask("downserverlist")
    # Answers are read as the installer reads them, not as strict JSON (backslashes
    # stand for themselves).
    first = ask("firstpage", "&cardno=0A1B2C3D4E5F")
    found = re.search(rb'"guid":"([0-9A-F-]+)"', first or b"")
    guid = found.group(1).decode() if found else ""
    ask("getver")
    plan = ask("needdown", "&%s&guid=%s" % (PLAN, guid))
    files = [name.decode() for name in re.findall(rb'"filename":"([^"]+)"', plan or b"")]
    for server in servers:
        ask("getftp", "&serverno=%s&filename=qz-app.zip" % server)
    for name in files:
        ask("ftpok", "&filename=%s&guid=%s" % (name.replace(".", "%2E"), guid))
    for action in ("appfilesnot", "appexe", "companyname"):
        ask(action)
    ask("createicon", "&netver=4.0")
    ask("setupok", "&guid=" + guid)


def fleet_process(port, threads, seconds, servers, results):
    """`threads` simulated installers in this process until the time is up."""
    lock = threading.Lock()
    latencies, events, failures = [], [0], [0]
    deadline = time.monotonic() + seconds

    def record(action, elapsed, ok):
        with lock:
            latencies.append(elapsed)
            if not ok:
                failures[0] += 1
            elif action in EVENT_ACTIONS:
                events[0] += 1

    def installer():
        connection = http.client.HTTPConnection(HOST, port, timeout=30)
        while time.monotonic() < deadline:
            try:
                installation(connection, servers, record)
            except (OSError, http.client.HTTPException, ValueError):
                with lock:
                    failures[0] += 1
                connection.close()
                connection = http.client.HTTPConnection(HOST, port, timeout=30)
        connection.close()

    workers = [threading.Thread(target=installer) for _ in range(threads)]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    results.put((latencies, events[0], failures[0]))


def run_fleet(port, installers, seconds, servers):
    # Two processes, so that the client is not held to one core by Python's lock.
    processes = 2
    results = multiprocessing.Queue()
    workers = []
    start = time.monotonic()
    for n in range(processes):
        share = installers // processes + (1 if n < installers % processes else 0)
        worker = multiprocessing.Process(target=fleet_process,
                                         args=(port, share, seconds, servers, results))
        worker.start()
        workers.append(worker)
    latencies, events, failures = [], 0, 0
    for _ in workers:
        part = results.get()
        latencies += part[0]
        events += part[1]
        failures += part[2]
    for worker in workers:
        worker.join()
    return time.monotonic() - start, sorted(latencies), events, failures


def cpu_seconds(pids):
    """User and system CPU time of the processes (those that ended count nothing)."""
    ticks = os.sysconf("SC_CLK_TCK")
    total = 0
    for pid in pids:
        try:
            with open("/proc/%d/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except (OSError, IndexError, ValueError):
            pass
    return total / ticks


def database_pids():
    pids = []
    for entry in os.listdir("/proc"):
        try:
            with open("/proc/%s/comm" % entry) as f:
                if f.read().strip() == "postgres":
                    pids.append(int(entry))
        except (OSError, ValueError):
            pass
    return pids


def percentile(values, share):
    if not values:
        return 0.0
    return values[min(len(values) - 1, int(share * len(values)))]


class Form:
    """Two instances behind nginx with one events form."""

    def __init__(self, name, binary, state, files, catalog, events_args):
        self.name = name
        self.state = os.path.join(state, name)
        os.makedirs(self.state)
        self.processes = []
        self.logs = []
        ports = []
        for n in range(2):
            log = os.path.join(self.state, "service-%d.log" % n)
            extra = [a.replace("{n}", str(n)) for a in events_args(self.state)]
            with open(log, "wb") as out:
                process = subprocess.Popen(
                    [binary, "--catalog", catalog, "--files", files, "--listen", HOST,
                     "--port", "0", "--quiet", "--threads", "64"] + extra,
                    stdout=out, stderr=out, start_new_session=True)
            self.processes.append(process)
            self.logs.append(log)
            found = wait_for_line(log, r"install service listening on [0-9.]+:(\d+)", process)
            if not found:
                raise RuntimeError("an instance did not start; see " + log)
            ports.append(int(found.group(1)))
        self.port = free_port()
        conf = os.path.join(self.state, "nginx.conf")
        with open(conf, "w") as f:
            f.write("daemon off;\nworker_processes 2;\npid %(s)s/nginx.pid;\n"
                    "error_log %(s)s/nginx-error.log;\nevents { worker_connections 4096; }\n"
                    "http {\n  access_log off;\n  client_body_temp_path %(s)s;\n"
                    "  proxy_temp_path %(s)s;\n"
                    "  upstream install_service { server %(h)s:%(a)d; server %(h)s:%(b)d;"
                    " keepalive 64; }\n"
                    "  server { listen %(h)s:%(p)d; location /inst/ {\n"
                    "    proxy_pass http://install_service; proxy_http_version 1.1;\n"
                    "    proxy_set_header Connection \"\"; } }\n}\n"
                    % {"s": self.state, "h": HOST, "a": ports[0], "b": ports[1], "p": self.port})
        self.nginx = subprocess.Popen(["nginx", "-p", self.state, "-c", conf],
                                      start_new_session=True, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while True:
            try:
                socket.create_connection((HOST, self.port), timeout=1).close()
                break
            except OSError:
                if time.monotonic() > deadline or self.nginx.poll() is not None:
                    raise RuntimeError("nginx did not start; see " + self.state)
                time.sleep(0.05)

    def stop(self):
        """SIGTERM: every instance stores (or spills) what it has queued first."""
        for process in [self.nginx] + self.processes:
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
        for process in [self.nginx] + self.processes:
            try:
                process.wait(timeout=120)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def closing_figures(self):
        """The "events: stored=…" line of each instance, as dicts."""
        figures = []
        for log in self.logs:
            with open(log, encoding="utf-8", errors="replace") as f:
                found = re.findall(r"events: (stored=.*)", f.read())
            if found:
                figures.append(dict(word.split("=", 1) for word in found[-1].split()))
        return figures


def nginx_workers(master):
    """The nginx master and its workers."""
    pids = [master]
    for entry in os.listdir("/proc"):
        try:
            with open("/proc/%s/stat" % entry) as f:
                if int(f.read().rsplit(")", 1)[1].split()[1]) == master:
                    pids.append(int(entry))
        except (OSError, IndexError, ValueError):
            pass
    return pids


def measure(name, directory, binary, state, files, catalog, events_args, count_events, args,
            servers):
    form = Form(directory, binary, state, files, catalog, events_args)
    try:
        # CPU time is what other load on the machine changes least: the servers' share
        # per query tells the forms apart where the rates are blurred.
        servers_pids = [p.pid for p in form.processes] + nginx_workers(form.nginx.pid)
        before = cpu_seconds(servers_pids), cpu_seconds(database_pids())
        seconds, latencies, answered, failures = run_fleet(form.port, args.installers,
                                                           args.seconds, servers)
        after = cpu_seconds(servers_pids), cpu_seconds(database_pids())
    finally:
        form.stop()
    stored = count_events(form.state)
    figures = form.closing_figures()
    return {"name": name, "qps": len(latencies) / seconds, "queries": len(latencies),
            "median_ms": 1000 * percentile(latencies, 0.5),
            "p99_ms": 1000 * percentile(latencies, 0.99), "answered": answered,
            "stored": stored, "lost": max(0, answered - stored), "failures": failures,
            "service_cpu_ms": 1e6 * (after[0] - before[0]) / max(1, len(latencies)),
            "database_cpu_ms": 1e6 * max(0.0, after[1] - before[1]) / max(1, len(latencies)),
            "figures": figures}


def main(argv):
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("--fleet", action="store_true")
    parser.add_argument("--installers", type=int, default=40)
    parser.add_argument("--seconds", type=int, default=20)
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--binary")
    args = parser.parse_args(argv)
    if not os.environ.get("PGHOST"):
        if not shutil.which("pg_virtualenv"):
            sys.exit("bench-service --fleet: needs pg_virtualenv (packages postgresql, "
                     "postgresql-common)")
        # A cluster directory and port of its own, beside any other throw-away cluster.
        os.execvp("pg_virtualenv", ["pg_virtualenv", "-t", "-c", "-p %d" % free_port(),
                                    sys.executable,
                                    os.path.join(ROOT, "scripts", "bench-service")] + argv)
    if not shutil.which("nginx", path=os.environ.get("PATH", "") + ":/usr/sbin"):
        sys.exit("bench-service --fleet: needs nginx (package nginx-light)")
    sys.path.insert(0, os.path.join(ROOT, "scripts"))
    binary = args.binary or os.path.join(ROOT, "build", "linux-release", "server",
                                         "install-service")
    if not os.access(binary, os.X_OK):
        subprocess.run(["cmake", "--preset", "linux-release"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", os.path.join(ROOT, "build", "linux-release"),
                        "--target", "install-service", "-j2"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)

    state = tempfile.mkdtemp(prefix="bench-fleet-")
    try:
        subprocess.run([os.path.join(ROOT, "demo", "generate"), state], check=True,
                       stdout=subprocess.DEVNULL)
        files = os.path.join(state, "files")
        catalog = os.path.join(ROOT, "demo", "catalog.json")
        servers = ["127.0.0.1:8001", "127.0.0.1:2121"]
        uri = "postgresql://%s@%s:%s/%s" % (os.environ["PGUSER"], os.environ["PGHOST"],
                                            os.environ["PGPORT"], os.environ["PGDATABASE"])

        def count_lines(directory):
            with open(os.path.join(directory, "events.jsonl"), encoding="utf-8") as f:
                return sum(1 for line in f if line.strip())

        def count_rows(directory):
            # The table holds this round's events only (emptied before each round).
            result = subprocess.run(["psql", "-X", "-At", "-c",
                                     "SELECT count(*) FROM install_events"],
                                    capture_output=True, text=True, check=True)
            return int(result.stdout.strip())

        def empty_table():
            subprocess.run(["psql", "-X", "-q", "-c", "TRUNCATE install_events"],
                           capture_output=True, check=False)

        forms = [
            ("jsonl", lambda d: ["--events", os.path.join(d, "events.jsonl")], count_lines),
            ("postgresql", lambda d: ["--events", uri, "--spill",
                                      os.path.join(d, "spill-{n}.jsonl")], count_rows),
        ]
        # The forms take turns, so that other load on the machine meets both alike.
        rounds = []
        for number in range(args.rounds):
            for name, events, count in forms:
                empty_table()
                rounds.append(measure(name, "%s-%d" % (name, number), binary, state, files,
                                      catalog, events, count, args, servers))
    finally:
        shutil.rmtree(state, ignore_errors=True)

    print("fleet: %d simulated installers for %d s per round, %d rounds per form, two "
          "instances behind nginx" % (args.installers, args.seconds, args.rounds))
    print("%-11s %10s %10s %8s %9s %8s %6s %7s %12s  %s" % (
        "form", "queries/s", "median ms", "p99 ms", "answered", "stored", "lost", "failed",
        "CPU ms/1000q", "write lag median/p99 ms per instance (spilled, dropped)"))
    for r in rounds:
        lag = ", ".join("%s/%s (%s, %s)" % (f["lag_median_ms"], f["lag_p99_ms"], f["spilled"],
                                           f["dropped"]) for f in r["figures"]) or \
            "none: written before the answer"
        cpu = "%.0f+%.0f" % (r["service_cpu_ms"], r["database_cpu_ms"])
        print("%-11s %10.0f %10.2f %8.2f %9d %8d %6d %7d %12s  %s" % (
            r["name"], r["qps"], r["median_ms"], r["p99_ms"], r["answered"], r["stored"],
            r["lost"], r["failures"], cpu, lag))
    print("(CPU ms/1000q: the instances with nginx + the database, per thousand queries)")

    def mean(name, key):
        values = [r[key] for r in rounds if r["name"] == name]
        return sum(values) / len(values)

    def total(name, key):
        return sum(r[key] for r in rounds if r["name"] == name)

    jsonl_qps, pg_qps = mean("jsonl", "qps"), mean("postgresql", "qps")
    ratio = pg_qps / jsonl_qps if jsonl_qps else 0.0
    lost = total("jsonl", "lost") + total("postgresql", "lost")
    failed = total("jsonl", "failures") + total("postgresql", "failures")
    cpu = {name: mean(name, "service_cpu_ms") + mean(name, "database_cpu_ms")
           for name in ("jsonl", "postgresql")}
    print("jsonl_qps=%.0f postgresql_qps=%.0f ratio=%.3f jsonl_p99_ms=%.2f postgresql_p99_ms=%.2f "
          "jsonl_cpu_ms_per_1000=%.0f postgresql_cpu_ms_per_1000=%.0f jsonl_lost=%d "
          "postgresql_lost=%d failed=%d" % (
              jsonl_qps, pg_qps, ratio, mean("jsonl", "p99_ms"), mean("postgresql", "p99_ms"),
              cpu["jsonl"], cpu["postgresql"], total("jsonl", "lost"), total("postgresql", "lost"),
              failed))
    return 1 if lost or failed else 0
