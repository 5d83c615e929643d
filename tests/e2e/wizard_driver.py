"""The Python side of wizard_driver.exe: starts the driver under Wine and sends it one
command per line (see tests/e2e/wizard_driver/driver_commands.cpp for the commands)."""
import subprocess


class DriverError(AssertionError):
    """The driver answered ERR: what it was asked for did not happen."""


def _encode(field):
    return str(field).replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r") \
        .replace("\n", "\\n")


def _decode(field):
    out, i = [], 0
    while i < len(field):
        c = field[i]
        if c == "\\" and i + 1 < len(field):
            i += 1
            c = {"t": "\t", "r": "\r", "n": "\n"}.get(field[i], field[i])
        out.append(c)
        i += 1
    return "".join(out)


class WizardDriver:
    """One driver process; each method sends one command and returns the answer's fields."""

    # Generous bounds for waits on events: they only end a test that would hang.
    WAIT = 120

    def __init__(self, wine_command, env):
        self.process = subprocess.Popen(wine_command, env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

    def close(self):
        if self.process.poll() is None:
            try:
                self.process.stdin.write(b"quit\n")
                self.process.stdin.flush()
                self.process.wait(timeout=30)
            except (OSError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait()
        for pipe in (self.process.stdin, self.process.stdout):
            try:
                pipe.close()
            except OSError:
                pass

    def call(self, *args):
        line = "\t".join(_encode(a) for a in args) + "\n"
        self.process.stdin.write(line.encode("utf-8"))
        self.process.stdin.flush()
        answer = self.process.stdout.readline().decode("utf-8")
        if not answer:
            raise DriverError("the driver ended while answering %r" % (args,))
        fields = [_decode(f) for f in answer.rstrip("\n").split("\t")]
        if fields[0] != "OK":
            raise DriverError("%s: %s" % (" ".join(str(a) for a in args), " ".join(fields[1:])))
        return fields[1:]

    # -- the installer process
    def start(self, program, tail):
        return int(self.call("start", program, tail)[0])

    def wait_exit(self, seconds=WAIT):
        return int(self.call("wait-exit", seconds)[0])

    # -- windows
    def window(self, class_name, caption, seconds=WAIT):
        """The visible top-level window of the installer; a trailing * matches by prefix."""
        return int(self.call("window", class_name, caption, seconds)[0])

    def message_box(self, app_name, seconds=WAIT):
        """The next message box of the installer: (window, its text)."""
        box = self.window("#32770", app_name, seconds)
        return box, self.text(box, 0xFFFF)

    def closed(self, window, seconds=WAIT):
        self.call("closed", window, seconds)

    def wait_page(self, sheet, caption, seconds=WAIT):
        return int(self.call("wait-page", sheet, caption, seconds)[0])

    def rect(self, window):
        """(frame, client area) as (left, top, right, bottom) screen rectangles."""
        values = [int(v) for v in self.call("rect", window)]
        return tuple(values[:4]), tuple(values[4:])

    def move(self, window, x, y):
        self.call("move", window, x, y)

    def capture(self, window, path):
        self.call("capture", window, path)

    # -- controls
    def text(self, window, control=0):
        return self.call("text", window, control)[0]

    def wait_text(self, window, control, part, seconds=WAIT):
        return self.call("wait-text", window, control, part, seconds)[0]

    def set_text(self, window, control, text):
        self.call("set-text", window, control, text)

    def state(self, window, control):
        """(enabled, visible, check state)."""
        enabled, visible, check = self.call("state", window, control)
        return enabled == "1", visible == "1", int(check)

    def click(self, window, control):
        self.call("click", window, control)

    def press(self, sheet, button):
        self.call("press", sheet, button)

    def key(self, window, name):
        self.call("key", window, name)

    def list_box(self, window, control):
        return self.call("list-box", window, control)

    def list_columns(self, window, control):
        return self.call("list-columns", window, control)

    def list_rows(self, window, control):
        return [row.split("\t") for row in self.call("list-rows", window, control)]
