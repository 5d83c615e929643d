#!/usr/bin/env python3
"""The service's events in PostgreSQL: a real installation's events in the table, a
database stopped during installations and started again (every event there exactly
once), a database that never comes back (answers unaffected, events in the spill file),
and a full queue and spill file (answers still unaffected, the loss in the log).

Runs under tests/e2e/with-postgres, which provides the cluster (PGHOST, PGPORT, PGUSER,
PGPASSWORD, PGDATABASE). Environment as linux_install_test.py.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_support as e2e  # noqa: E402
from linux_install_test import PLANNED, SERVICE, WORK, LinuxRun, finish  # noqa: E402

STEPS = ["firstpage", "needdown"] + ["ftpok"] * len(PLANNED["4.0"]) + ["setupok"]


def cluster():
    """Version and name of the cluster on PGPORT."""
    for line in subprocess.run(["pg_lsclusters", "-h"], capture_output=True, text=True,
                               check=True).stdout.splitlines():
        words = line.split()
        if words[2] == os.environ["PGPORT"]:
            return words[0], words[1]
    raise AssertionError("no cluster on port %s" % os.environ["PGPORT"])


def pg_ctl(action):
    version, name = cluster()
    subprocess.run(["pg_ctlcluster", version, name, action] + (["-m", "fast"] if action == "stop"
                                                               else []), check=True)


def events_of(guid):
    """(event, filename) rows of one installation in the table, with their ids."""
    return e2e.psql("SELECT event_id, event, coalesce(detail->>'filename', '') FROM install_events "
                "WHERE guid = '%s' ORDER BY at, event" % guid)


class PostgresEventsTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="pg-events-", dir=WORK)

    def tearDown(self):
        shutil.rmtree(self.scratch, ignore_errors=True)

    def servers(self, name, uri, *extra):
        state = os.path.join(self.scratch, name)
        self.spill = os.path.join(state, "spill.jsonl")
        return e2e.DemoServers(state, SERVICE, events=uri,
                               service_args=["--spill", self.spill] + list(extra))

    def install(self, servers, name):
        run = LinuxRun(os.path.join(self.scratch, name))
        return run, run.start(servers.service, ["netver=4.0"])

    def finished_guid(self, run, process):
        code, out, err = finish(process, 300)
        self.assertEqual(code, 0, "stdout:\n%s\nstderr:\n%s" % (out, err))
        guid = e2e.log_guid(e2e.read_log(run.log_path)[0])
        self.assertIsNotNone(guid)
        return guid

    def check_stored_once(self, guid):
        rows = events_of(guid)
        self.assertEqual(sorted(r[1] for r in rows), sorted(STEPS), guid)
        self.assertEqual(sorted(r[2] for r in rows if r[1] == "ftpok"), sorted(PLANNED["4.0"]))
        self.assertEqual(len({r[0] for r in rows}), len(rows), "an event id twice")

    def service_log(self, servers):
        with open(os.path.join(servers.state, "service.log"), encoding="utf-8") as f:
            return f.read()

    def test_installation_events_reach_the_table(self):
        with self.servers("live", e2e.database_uri()) as servers:
            run, process = self.install(servers, "run")
            guid = self.finished_guid(run, process)
            e2e.wait_for(lambda: len(events_of(guid)) == len(STEPS), "the installation's events")
            self.check_stored_once(guid)
            detail = e2e.psql("SELECT detail->>'os', detail->>'netver', detail->'files' "
                          "FROM install_events WHERE guid = '%s' AND event = 'needdown'" % guid)
            self.assertEqual(detail[0][:2], ["win10", "4.0"])
            self.assertEqual(e2e.psql("SELECT max(version) FROM install_schema"), [["1"]])
            # The funnel straight from the table.
            report = subprocess.run([SERVICE, "report", "--events", e2e.database_uri(), "--format",
                                     "csv"], capture_output=True, text=True, check=True).stdout
            # Every installation this cluster saw finished.
            self.assertRegex(report, r"\nVornel,qz,1\.0\.0,setupok,,(\d+),\1,100\.0,")
            # The window is the database's to apply: none started in it.
            for window in (["--from", "2999-01-01"], ["--to", "2000-01-01T00:00:00Z"]):
                empty = subprocess.run([SERVICE, "report", "--events", e2e.database_uri()] +
                                       window, capture_output=True, text=True, check=True)
                self.assertIn("no installations", empty.stdout)
            # A request value the table cannot hold as it is (U+0000) neither blocks the
            # events behind it nor is lost.
            query = "http://%s/inst/?comname=Vornel&appid=qz&action=firstpage&cardno=a%%00b" \
                % servers.service
            with urllib.request.urlopen(query, timeout=30) as answer:
                self.assertTrue(answer.read().startswith(b"OK"))
            e2e.wait_for(lambda: e2e.psql(
                "SELECT count(*) FROM install_events WHERE detail->>'cardno' = "
                "'a' || chr(65533) || 'b'") == [["1"]], "the event with U+0000")
        self.assertFalse(os.path.exists(self.spill) and os.path.getsize(self.spill))

    def test_database_stopped_and_started_again_keeps_every_event_once(self):
        with self.servers("outage", e2e.database_uri()) as servers:
            first_run, first = self.install(servers, "before")
            # The database took events of this installation before it went away.
            e2e.wait_for(lambda: e2e.psql("SELECT count(*) FROM install_events WHERE event = "
                                    "'firstpage' AND client = '127.0.0.1'") != [["0"]],
                       "the first installation's firstpage in the table")
            pg_ctl("stop")
            try:
                later = [self.install(servers, "during-%d" % n) for n in range(2)]
                guids = [self.finished_guid(r, p) for r, p in [(first_run, first)] + later]
                self.assertGreater(os.path.getsize(self.spill), 0, "nothing was spilled")
            finally:
                pg_ctl("start")
            e2e.wait_for(lambda: all(len(events_of(g)) >= len(STEPS) for g in guids) and
                       not os.path.exists(self.spill + ".replay"), "the spilled events")
            for guid in guids:
                self.check_stored_once(guid)
            self.assertEqual(e2e.psql("SELECT count(*) - count(DISTINCT event_id) FROM install_events"),
                             [["0"]])
        self.assertIn("the spilled events", self.service_log(servers))

    def test_events_wait_while_the_database_cannot_store_them(self):
        # The database answers but cannot take the rows (here: the table is gone, as with
        # a full disk or a revoked right): the events wait in the spill file and are
        # stored once it can, here in the table the service makes again.
        with self.servers("no-table", e2e.database_uri()) as servers:
            first = "http://%s/inst/?comname=Vornel&appid=qz&action=firstpage&cardno=%s"
            with urllib.request.urlopen(first % (servers.service, "BEFORE"), timeout=30):
                pass
            e2e.wait_for(lambda: e2e.psql("SELECT count(*) FROM install_events WHERE "
                                          "detail->>'cardno' = 'BEFORE'") == [["1"]],
                         "the first event")
            e2e.psql("ALTER TABLE install_events RENAME TO install_events_away")
            try:
                with urllib.request.urlopen(first % (servers.service, "AWAY"), timeout=30) as a:
                    self.assertTrue(a.read().startswith(b"OK"))
                e2e.wait_for(lambda: e2e.psql("SELECT count(*) FROM install_events WHERE "
                                              "detail->>'cardno' = 'AWAY'") == [["1"]],
                             "the event stored in the table made again")
            finally:
                e2e.psql("DROP TABLE IF EXISTS install_events; "
                         "ALTER TABLE install_events_away RENAME TO install_events")
        self.assertIn("the database cannot store events", self.service_log(servers))

    def test_database_that_never_answers_leaves_events_in_the_spill_file(self):
        closed = e2e.refusing_socket()
        try:
            uri = e2e.database_uri("127.0.0.1", closed.getsockname()[1])
            with self.servers("down", uri) as servers:
                run, process = self.install(servers, "run")
                guid = self.finished_guid(run, process)
                e2e.wait_for(lambda: os.path.exists(self.spill) and
                           open(self.spill, encoding="utf-8").read().count(guid) == len(STEPS),
                           "the events in the spill file")
        finally:
            closed.close()
        with open(self.spill, encoding="utf-8") as f:
            spilled = [e for e in map(json.loads, f) if e["guid"] == guid]
        self.assertEqual(sorted(e["event"] for e in spilled), sorted(STEPS))
        self.assertTrue(all(e["id"] and e["time"] for e in spilled))
        self.assertIn("the database cannot be reached", self.service_log(servers))

    def test_full_queue_and_spill_file_still_answer(self):
        closed = e2e.refusing_socket()
        try:
            uri = e2e.database_uri("127.0.0.1", closed.getsockname()[1])
            with self.servers("full", uri, "--event-queue", "1", "--spill-limit-kib", "1") \
                    as servers:
                query = "http://%s/inst/?comname=Vornel&appid=qz&action=firstpage&cardno=" \
                    % servers.service
                for _ in range(40):
                    with urllib.request.urlopen(query, timeout=30) as answer:
                        self.assertTrue(answer.read().startswith(b"OK"))
                log = self.service_log(servers)
        finally:
            closed.close()
        self.assertRegex(log, "full: .*events are lost")
        self.assertLessEqual(os.path.getsize(self.spill), 1024)

    def test_password_in_the_uri_is_refused(self):
        secret = "S3cret-pw"
        result = subprocess.run(
            [SERVICE, "--catalog", os.path.join(e2e.ROOT, "demo", "catalog.json"), "--port", "0",
             "--events", "postgresql://someone:%s@127.0.0.1:1/x" % secret],
            capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 2)
        self.assertIn("PGPASSFILE", result.stderr)
        self.assertNotIn(secret, result.stderr + result.stdout)


if __name__ == "__main__":
    if not os.environ.get("PGHOST"):
        print("no PostgreSQL cluster (run under tests/e2e/with-postgres): skipped")
        sys.exit(77)
    unittest.main()
