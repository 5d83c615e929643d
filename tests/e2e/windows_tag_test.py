#!/usr/bin/env python3
"""One signed installer.exe for every application: a throw-away authority signs it
(scripts/sign-installer), the reference service hands it out tagged per application
(--installer), and the download, run under Wine with no company or application on its
command line, installs the application of its tag. Tags the installer must not trust are
ignored with their line in Install.log; an unsigned or untagged file takes its version
resource; a changed byte of code breaks the signature.

Environment: see windows_e2e.py. Exits with 77 (skipped) when the service program is
missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_support as e2e  # noqa: E402
import windows_e2e as win  # noqa: E402

FROM_DESCRIPTION = "Startup\tcomname=Vornel (version resource); appid=qz (version resource); --ver= (default)"


def openssl(*args, cwd):
    subprocess.run(["openssl"] + list(args), cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)


class WindowsTagTest(win.DemoInstallChecks, unittest.TestCase):

    @classmethod
    def service_args(cls):
        return ["--installer", cls.signed]

    @classmethod
    def setUpClass(cls):
        cls.pki = tempfile.mkdtemp(prefix="tag-", dir=win.WORK)
        openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                "-days", "2", "-subj", "/CN=Tag Test Authority", "-keyout", "ca.key", "-out",
                "ca.pem", cwd=cls.pki)
        openssl("req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-subj",
                "/O=Vornel/CN=Vornel Tag Test Signing", "-keyout", "signer.key", "-out",
                "signer.csr", cwd=cls.pki)
        with open(os.path.join(cls.pki, "signer.ext"), "w") as f:
            f.write("keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
        openssl("x509", "-req", "-in", "signer.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                "-CAcreateserial", "-days", "1", "-extfile", "signer.ext", "-out", "signer.pem",
                cwd=cls.pki)
        cls.signed = os.path.join(cls.pki, "signed.exe")
        subprocess.run([os.path.join(e2e.ROOT, "scripts", "sign-installer"), "--cert",
                        os.path.join(cls.pki, "signer.pem"), "--key",
                        os.path.join(cls.pki, "signer.key"), win.INSTALLER, cls.signed],
                       check=True, stdout=subprocess.DEVNULL, timeout=120)
        try:
            super().setUpClass()
        except BaseException:
            shutil.rmtree(cls.pki, ignore_errors=True)
            raise

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        shutil.rmtree(cls.pki, ignore_errors=True)

    def verify(self, path):
        result = subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(self.pki, "ca.pem"),
                                 "-in", path], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                timeout=120)
        return result.returncode == 0, result.stdout.decode("utf-8", "replace")

    def tag(self, source, name, tag):
        """`source` tagged with the bytes `tag`, even those the installer must ignore."""
        out = os.path.join(self.pki, name)
        subprocess.run([win.SERVICE, "tag", "--in", source, "--out", out, "--tag", tag,
                        "--unchecked"], check=True, timeout=60)
        return out

    def download(self, path):
        with urllib.request.urlopen("http://%s%s" % (self.servers.service, path), timeout=60) as answer:
            return answer.read(), answer.headers

    def start_without_service(self, exe):
        """Runs `exe` against a port that refuses: it ends after start-up. Install.log's
        messages."""
        refusing = e2e.refusing_socket()
        try:
            port = refusing.getsockname()[1]
            result = win.wine([exe, "ui=console;server=127.0.0.1:%d" % port], timeout=300)
        finally:
            refusing.close()
        self.assertEqual(result.returncode, 1, result.stdout.decode("utf-8", "replace"))
        return e2e.log_messages(e2e.read_log(self.log_path)[0])

    def test_downloaded_installer_installs_the_application_of_its_tag(self):
        data, headers = self.download("/installer/Vornel/qz/QzSetup.exe")
        self.assertEqual(headers["Content-Disposition"], 'attachment; filename="QzSetup.exe"')
        again, headers_again = self.download("/installer/Vornel/qz/QzSetup.exe")
        self.assertEqual(again, data)
        self.assertEqual(headers_again["ETag"], headers["ETag"])
        base = tempfile.mkdtemp(prefix="run-", dir=self.scratch)
        exe = os.path.join(base, "QzSetup.exe")
        with open(exe, "wb") as f:
            f.write(data)
        ok, report = self.verify(exe)
        self.assertTrue(ok, report)
        self.assertIn("Vornel Tag Test Signing", report)

        inst = win.Place.of_unix(os.path.join(base, "inst"))
        downloads = win.Place.of_unix(os.path.join(base, "downloads"))
        # No company or application: they come from the tag.
        words = ";".join(["ui=console", "server=" + self.servers.service, "installdir=" + inst.windows,
                          "downloaddir=" + downloads.windows, "netver=4.0"])
        result = win.wine([exe, words], timeout=400)
        out = result.stdout.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, out)
        self.assertIn("安装完成", out)
        messages = e2e.log_messages(e2e.read_log(self.log_path)[0])
        self.assertIn("Tag\tcomname=Vornel;appid=qz", messages)
        self.assertIn("Startup\tcomname=Vornel (tag); appid=qz (tag); --ver= (default)", messages)
        self.check_files(inst)
        self.check_registry(inst)
        self.check_events(self.check_log(downloads))

        # Another application of the catalog: 404 for one it does not have.
        with self.assertRaises(urllib.error.HTTPError) as refused:
            self.download("/installer/Vornel/nosuch/QzSetup.exe")
        self.assertEqual(refused.exception.code, 404)

        # Tagged again, the new tag replaces the old one.
        retagged = self.tag(exe, "retagged.exe", "comname=Vornel;appid=qz;--ver=9.9")
        self.assertTrue(self.verify(retagged)[0])
        messages = self.start_without_service(retagged)
        self.assertIn("Startup\tcomname=Vornel (tag); appid=qz (tag); --ver=9.9 (tag)", messages)

        # One byte of the program's code changed: the signature no longer holds.
        with open(exe, "rb") as f:
            changed = bytearray(f.read())
        changed[0x1000] ^= 0x01
        changed_path = os.path.join(base, "changed.exe")
        with open(changed_path, "wb") as f:
            f.write(changed)
        self.assertFalse(self.verify(changed_path)[0])

    def test_tags_it_must_not_trust_are_ignored(self):
        tagged = self.tag(self.signed, "good.exe", "comname=Vornel;appid=qz")
        cases = [
            (b"comname=Evil;appid=qz;server=evil.example", 'Tag\tignored, names the key "server"'),
            (b"appid=" + b"x" * 1019, "Tag\tignored, longer than 1024 bytes (1025)"),
            (b"comname=Evil;appid=\xff", "Tag\tignored, not UTF-8"),
            (b"comname=Vornel;appid=qz\r\n2026-01-01 00:00:00\tforged",
             "Tag\tignored, the value of appid holds a character other than A-Z a-z 0-9 . _ -"),
        ]
        for tag, line in cases:
            with self.subTest(line=line):
                # The bytes go to the tagger as they are (POSIX arguments are bytes).
                exe = os.path.join(self.pki, "bad.exe")
                subprocess.run([win.SERVICE.encode(), b"tag", b"--in", tagged.encode(), b"--out",
                                exe.encode(), b"--tag", tag, b"--unchecked"], check=True, timeout=60)
                messages = self.start_without_service(exe)
                self.assertIn(line, messages)
                self.assertIn(FROM_DESCRIPTION, messages)

    def test_without_a_command_line_it_asks_for_the_application_of_its_tag(self):
        # As a user starts it: no words at all, so the wizard and the built-in servers. The
        # first request names the tag's company and application, not the description's.
        exe = self.tag(self.signed, "no-words.exe", "comname=Tagco;appid=tapp")
        with tempfile.TemporaryFile() as out:
            process = subprocess.Popen([win.WINE_RUN, exe], env=win.wine_environment(),
                                       stdout=out, stderr=out)
            try:
                asked = e2e.wait_for_log(self.log_path,
                                         r"HttpGet\t\t\S*\?comname=Tagco&appid=tapp&action=", 180,
                                         process)
            finally:
                env = win.wine_environment()
                env["WINEPREFIX"] = env["INSTALLER_WINEPREFIX"]
                subprocess.run(["wineserver", "-k"], env=env, timeout=60)
                process.wait(timeout=60)
        messages = e2e.log_messages(e2e.read_log(self.log_path)[0])
        self.assertTrue(asked, messages)
        self.assertIn("Startup\tcomname=Tagco (tag); appid=tapp (tag); --ver= (default)", messages)

    def test_unsigned_and_untagged_files_take_their_version_resource(self):
        for exe in (win.INSTALLER, self.signed):
            with self.subTest(exe=exe):
                messages = self.start_without_service(exe)
                self.assertFalse([m for m in messages if m.startswith("Tag\t")], messages)
                self.assertIn(FROM_DESCRIPTION, messages)


if __name__ == "__main__":
    win.exit_unless_runnable()
    unittest.main(verbosity=2)
