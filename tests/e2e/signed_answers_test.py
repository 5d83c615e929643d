#!/usr/bin/env python3
"""Signed service answers on the Linux build or on installer.exe under Wine: an installer
built with two public keys installs the demo from a service that signs with the second,
and refuses, each with its log line, answers that a relay of the test's own changed on
the way (body, signature removed, answer to another nonce, unknown key); an installer
built without keys installs from the signing service as before, sending no nonce.

Environment: as linux_install_test.py (or windows_e2e.py when E2E_INSTALLER is an .exe),
and E2E_SIGNED_INSTALLER (the installer built with the keys), E2E_SIGNING_KEY (the
second key's private half).
"""
import base64
import http.client
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import e2e_support as e2e  # noqa: E402

INSTALLER = os.environ.get("E2E_INSTALLER", "")
SIGNED_INSTALLER = os.environ.get("E2E_SIGNED_INSTALLER", "")
SERVICE = os.environ.get("E2E_SERVICE", "")
SIGNING_KEY = os.environ.get("E2E_SIGNING_KEY", "")
WORK = os.environ.get("E2E_WORK", tempfile.gettempdir())
WINDOWS = INSTALLER.lower().endswith(".exe")
NONCE = "X-Install-Nonce"
SIGNATURE = "X-Install-Signature"
UNKNOWN_KEY_ID = "0123456789abcdef"


class Relay:
    """An HTTP relay in front of the service that changes its answers as a party on the
    path could, and records the head of every request it passes on."""

    def __init__(self, service, fault):
        self.service, self.fault = service, fault
        self.requests = []  # (request line, {header: value})
        relay = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                relay.requests.append(("GET %s %s" % (self.path, self.request_version),
                                       {k: v for k, v in self.headers.items()}))
                headers = {}
                if NONCE in self.headers:
                    # The answer to another nonce: what a recorded answer replayed is.
                    headers[NONCE] = (fresh_nonce() if relay.fault == "replay"
                                      else self.headers[NONCE])
                connection = http.client.HTTPConnection(relay.service, timeout=30)
                connection.request("GET", self.path, headers=headers)
                answer = connection.getresponse()
                body = answer.read()
                signature = answer.getheader(SIGNATURE)
                connection.close()
                if relay.fault == "body":
                    # The mirrors' addresses in the server list: where the packages come from.
                    body = (body.replace(b"127.0.0.1", b"10.6.6.6") if b"127.0.0.1" in body
                            else body + b" ")
                if relay.fault == "unsigned":
                    signature = None
                if relay.fault == "unknown-key" and signature:
                    signature = UNKNOWN_KEY_ID + signature[signature.index(" "):]
                self.send_response(answer.status)
                self.send_header("Content-Type", "text/plain; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                if signature:
                    self.send_header(SIGNATURE, signature)
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer((e2e.HOST, 0), Handler)
        self.entry = "%s:%d" % (e2e.HOST, self.server.server_address[1])
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def fresh_nonce():
    return base64.b64encode(os.urandom(32)).decode()


class SignedAnswersTest(unittest.TestCase):
    # The relays' faults and the words of the installer's refusal.
    FAULTS = [("body", "bad signature by key "), ("unsigned", "no signature"),
              ("replay", "bad signature by key "), ("unknown-key", "unknown key " + UNKNOWN_KEY_ID)]

    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="signed-", dir=WORK)
        cls.servers = e2e.DemoServers(os.path.join(cls.scratch, "state"), SERVICE,
                                      windows=WINDOWS,
                                      service_args=["--signing-key", SIGNING_KEY])
        cls.servers.__enter__()
        cls.relays = []
        try:
            runs = os.path.join(cls.scratch, "runs")
            cls.signed = e2e.installer_runs(SIGNED_INSTALLER, runs)
            cls.plain = e2e.installer_runs(INSTALLER, runs)
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        for relay in cls.relays:
            relay.close()
        cls.servers.__exit__(None, None, None)
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def relay(self, fault):
        relay = Relay(self.servers.service, fault)
        self.relays.append(relay)
        return relay

    def check_installed(self, code, out, log):
        self.assertEqual(code, 0, out + log)
        self.assertIn("安装完成", out)
        self.assertIsNotNone(e2e.log_guid(log), log)

    def refusals(self, log, entry):
        return [m.split("\t")[3] for m in e2e.log_messages(log)
                if m.startswith("HttpGet\t\t%s\t" % entry)]

    def test_changed_answers_are_refused_and_the_next_server_asked(self):
        key_id = subprocess.run(
            [os.path.join(e2e.ROOT, "scripts", "make-signing-key"), os.path.dirname(SIGNING_KEY),
             "second"], stdout=subprocess.PIPE, check=True).stdout.decode().strip()
        relays = [(self.relay(fault), words + (key_id if words.endswith("key ") else ""))
                  for fault, words in self.FAULTS]
        entries = [relay.entry for relay, _ in relays] + [self.servers.service]
        code, out, log, _ = self.signed.run(entries, "after-relays")
        self.check_installed(code, out, log)
        self.assertIn("AnswerKeys\t", log)
        for relay, words in relays:
            with self.subTest(fault=relay.fault):
                # The first query went through each relay once; then the service answered
                # and was asked first from then on.
                self.assertEqual(self.refusals(log, relay.entry), ["answer refused: " + words],
                                 log)
                self.assertEqual(len(relay.requests), 1)
        messages = e2e.log_messages(log)
        first = next(i for i, m in enumerate(messages) if m.startswith("HttpGet\t\thttp://"))
        self.assertEqual(messages[first + 1:first + 3],
                         ["HttpGet\t\tfaild", "HttpGet\t\t%s\tanswer refused: %s"
                          % (relays[0][0].entry, relays[0][1])])

    def test_only_changed_answers_end_the_run(self):
        relays = [self.relay(fault) for fault, _ in self.FAULTS]
        code, out, log, _ = self.signed.run([r.entry for r in relays],
                                            "only-relays")
        self.assertEqual(code, 1, out + log)
        self.assertNotIn("HttpResponse", log)
        # Not called a success: the code of a reply that cannot be used.
        self.assertIn("失败码(8)", log + out)

    def test_signed_installer_sends_a_fresh_nonce_with_every_query(self):
        relay = self.relay("none")
        code, out, log, _ = self.signed.run([relay.entry], "through-relay")
        self.check_installed(code, out, log)
        nonces = [headers.get(NONCE) for _, headers in relay.requests]
        self.assertGreater(len(nonces), 5)
        for nonce in nonces:
            self.assertRegex(nonce or "", r"^[A-Za-z0-9+/]{43}=$")
        self.assertEqual(len(set(nonces)), len(nonces), "a nonce was sent twice")
        self.assertEqual(self.refusals(log, relay.entry), [])

    def test_installer_without_keys_installs_from_a_signing_service_as_before(self):
        relay = self.relay("none")
        code, out, log, _ = self.plain.run([relay.entry], "without-keys")
        self.check_installed(code, out, log)
        self.assertNotIn("AnswerKeys", log)
        for line, headers in relay.requests:
            self.assertNotIn(NONCE, headers)
        # The request lines carry exactly the queries the log names.
        logged = [m[len("HttpGet\t\thttp://" + relay.entry):] for m in e2e.log_messages(log)
                  if m.startswith("HttpGet\t\thttp://")]
        self.assertEqual([line for line, _ in relay.requests],
                         ["GET %s HTTP/1.1" % target for target in logged])


if __name__ == "__main__":
    for name, value in (("E2E_INSTALLER", INSTALLER), ("E2E_SIGNED_INSTALLER", SIGNED_INSTALLER),
                        ("E2E_SIGNING_KEY", SIGNING_KEY)):
        if not value:
            sys.exit(name + " must be set")
    if not SERVICE or not os.access(SERVICE, os.X_OK):
        print("SKIPPED: no install-service program at %r" % SERVICE)
        sys.exit(77)
    unittest.main(verbosity=2)
