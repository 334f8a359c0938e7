"""Runs veltra-host, veltra-tune panel and headless Chromium for the panel's
browser test and its latency measurement.

Programs of the build start through the emulator words of a cross build.
Their output is read by a thread of their own and every line is kept with the
time it arrived, so that tests wait on what a program printed (bounded), and
the measurement can tell when a command reached the simulated effect.
"""

import json
import os
import re
import signal
import struct
import subprocess
import tempfile
import threading
import time
import urllib.error
import urllib.request

BOUND_S = 30.0

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# Debian's chromium runs headless as root with these (a fresh profile each time).
CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--window-size=1400,1000",
]


def missing_browser():
    """Why the browser test cannot run here, or None."""
    for path in (CHROMIUM, CHROMEDRIVER):
        if not os.access(path, os.X_OK):
            return path + " is not installed (scripts/setup.sh installs it)"
    try:
        import selenium  # noqa: F401
    except ImportError:
        return "python3-selenium is not installed (scripts/setup.sh installs it)"
    return None


class Program:
    """A program of the build with its output gathered line by line."""

    def __init__(self, words, env=None, stdin=None):
        """stdin: an open file for the program's standard input (else none)."""
        self.lines = []  # (time.time() at arrival, line)
        self.changed = threading.Condition()
        self.process = subprocess.Popen(
            words, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            stdin=subprocess.DEVNULL if stdin is None else stdin, env=env, text=True, bufsize=1)
        self.reader = threading.Thread(target=self._read)
        self.reader.start()

    def _read(self):
        for line in self.process.stdout:
            with self.changed:
                self.lines.append((time.time(), line.rstrip("\n")))
                self.changed.notify_all()
        with self.changed:
            self.changed.notify_all()

    def output(self):
        with self.changed:
            return "\n".join(line for _, line in self.lines)

    def wait_for(self, found, what, bound=BOUND_S):
        """Waits until found(lines) is true (returns its result) or fails."""
        with self.changed:
            result = self.changed.wait_for(
                lambda: found(self.lines) or self.process.poll() is not None, bound)
            result = found(self.lines)
        if not result:
            raise AssertionError("%s did not happen within %gs; the output ends:\n%s"
                                 % (what, bound, "\n".join(self.output().split("\n")[-25:])))
        return result

    def wait_for_line(self, pattern, bound=BOUND_S):
        expression = re.compile(pattern)

        def match(lines):
            for _, line in lines:
                found = expression.search(line)
                if found:
                    return found
            return None
        return self.wait_for(match, "a line /%s/" % pattern, bound)

    def stop(self):
        """Stops the program (SIGTERM), returns its exit status."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        return self.finish()

    def finish(self):
        """Waits for the program to end by itself, returns its exit status."""
        try:
            status = self.process.wait(BOUND_S)
        except subprocess.TimeoutExpired:
            self.process.kill()
            status = self.process.wait()
        self.reader.join()
        self.process.stdout.close()
        return status


class Host(Program):
    """veltra-host serving tuning clients; its journal of effect commands."""

    def __init__(self, emulator, path, port=0):
        super().__init__(emulator + [path, "--port", str(port)])
        self.port = int(self.wait_for_line(r"tuning server listening on port (\d+)").group(1))
        self.wait_for_line(r"running;")

    def commands(self, since=0):
        """(arrival, code, request bytes) of the commands journalled, in order."""
        found = []
        expression = re.compile(r"^effect: #\d+ command (0x[0-9a-f]+) size \d+(?: \[([0-9a-f ]+))?")
        with self.changed:
            lines = self.lines[since:]
        for arrival, line in lines:
            match = expression.search(line)
            if match:
                data = bytes.fromhex(match.group(2)) if match.group(2) else b""
                found.append((arrival, int(match.group(1), 16), data))
        return found

    def mark(self):
        """A position in the output to look for commands after."""
        with self.changed:
            return len(self.lines)


SET_PARAMETERS = 0x1000F
OUTPUT_MODE = 0x10008
SOUND_MODE = 0x10003
LOAD_PRESET = 0x10000
GET_PARAMETERS = 0x1003C
VOLUME = 0x1003A


def parameter_ids(data):
    """The ids a set of parameters carries (the journal shows the first 32
    bytes of a request: up to four ids; their values come after)."""
    count = struct.unpack_from("<I", data)[0]
    return list(struct.unpack_from("<%dI" % count, data, 16))


def parameter_sets(commands):
    """(arrival, id, value) of single-parameter sets, once each: the library
    sends every set twice (sub-type masks 0 and all), the first is kept."""
    sets = []
    for arrival, code, data in commands:
        if code == SET_PARAMETERS and len(data) >= 28:
            count, _, _, mask, pid = struct.unpack_from("<IiiII", data)
            if count == 1 and mask == 0:
                sets.append((arrival, pid, struct.unpack_from("<d", data, 20)[0]))
    return sets


class Panel(Program):
    """veltra-tune panel against a host, on a free loopback port."""

    def __init__(self, emulator, path, host_port, extra=()):
        super().__init__(emulator + [path, "panel", "--port", str(host_port),
                                     "--listen", "127.0.0.1:0", *extra])
        self.url = self.wait_for_line(r"panel: serving (http://\S+/) \(loopback only\)").group(1)

    def request(self, method, path, body=None, content_type="application/json", headers=None):
        """(HTTP status, decoded JSON answer); headers replace those urllib sends."""
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(self.url + path.lstrip("/"), data=data, method=method,
                                         headers=headers or {})
        if data is not None:
            request.add_header("Content-Type", content_type)
        try:
            with urllib.request.urlopen(request, timeout=BOUND_S) as answer:
                return answer.status, json.loads(answer.read())
        except urllib.error.HTTPError as error:
            return error.code, json.loads(error.read())


def start_browser():
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    profile = tempfile.TemporaryDirectory(prefix="panel-chromium-")
    for flag in CHROMIUM_FLAGS + ["--user-data-dir=" + profile.name]:
        options.add_argument(flag)
    # The browser is this machine's own program: none of the build's library
    # folders or sanitizer settings apply to it.
    env = {k: v for k, v in os.environ.items()
           if k != "LD_LIBRARY_PATH" and not k.endswith("SAN_OPTIONS")}
    driver = webdriver.Chrome(service=Service(CHROMEDRIVER, env=env), options=options)
    driver.set_page_load_timeout(BOUND_S)
    driver.set_script_timeout(BOUND_S)
    return driver, profile
