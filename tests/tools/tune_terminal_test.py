"""veltra-tune's interactive mode at a terminal (a pseudo-terminal): the
prompt, help, a mistake that costs one line, and, where the tool was built
with line editing, the history."""

import argparse
import os
import pty
import select
import signal
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import panel_harness as harness  # noqa: E402


class Terminal:
    """A program on the slave side of a pseudo-terminal."""

    def __init__(self, words):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.execv(words[0], words)
        self.output = b""

    def type(self, keys):
        os.write(self.fd, keys)

    def wait_for(self, text, count=1):
        """Reads until text has appeared count times in all, or fails at the bound."""
        deadline = time.monotonic() + harness.BOUND_S
        while self.output.count(text) < count:
            left = deadline - time.monotonic()
            readable, _, _ = select.select([self.fd], [], [], max(left, 0))
            if not readable:
                raise AssertionError("no %r within %gs; the terminal shows:\n%s"
                                     % (text, harness.BOUND_S, self.output.decode(errors="replace")))
            try:
                chunk = os.read(self.fd, 4096)
            except OSError:  # the program ended
                chunk = b""
            if not chunk:
                raise AssertionError("the program ended before %r:\n%s"
                                     % (text, self.output.decode(errors="replace")))
            self.output += chunk

    def finish(self):
        """Waits for the program's end, returns its exit status."""
        _, status = os.waitpid(self.pid, 0)
        self.pid = None
        os.close(self.fd)
        return os.waitstatus_to_exitcode(status)

    def close(self):
        """Ends a program that is still running (after a failure)."""
        if self.pid is not None:
            os.kill(self.pid, signal.SIGKILL)
            self.finish()


class TuneTerminalTest(unittest.TestCase):
    def test_prompt_help_mistake_and_history(self):
        host = harness.Host(ARGS.emulator, ARGS.host)
        tune = None
        try:
            tune = Terminal(ARGS.emulator + [ARGS.tune, "--port", str(host.port)])
            tune.wait_for(b"veltra-tune> ")
            tune.type(b"help log-level\r")
            tune.wait_for(b"tags: TARVO_LOG_FXLibrary")
            tune.type(b"output-mode -1\r")
            tune.wait_for(b"usage: output-mode MODE")
            tune.type(b"set-param 12 0.5\r")
            tune.wait_for(b"read back: 12 = 0.5")
            if ARGS.line_editing:
                # Control-P brings the last line back.
                tune.type(b"\x10\r")
                tune.wait_for(b"read back: 12 = 0.5", 2)
            tune.type(b"quit\r")
            self.assertEqual(0, tune.finish())
        finally:
            if tune is not None:
                tune.close()
            self.assertEqual(0, host.stop())


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--tune", required=True)
    parser.add_argument("--line-editing", type=int, default=1)
    parser.add_argument("--emulator", default="")
    ARGS, rest = parser.parse_known_args()
    ARGS.emulator = [word for word in ARGS.emulator.split("|") if word]
    unittest.main(argv=[sys.argv[0]] + rest)
