"""Every example of docs/protocol.md against a running veltra-host.

An example is a fenced block tagged "example" whose lines are
    send: HEX BYTES  or  send: "TEXT\\n"   (one or more, sent in order)
    reply: HEX BYTES or  reply: "TEXT\\n"  (at most one)
    effect: LINE                          (the journal lines, in order)
    effect: none                          (no command reaches the effect)
Each example goes on a connection of its own, in the page's order. Its reply
must be the documented bytes, and the journal lines the host prints after it
("effect: #N LINE") must be the documented ones, no more and no fewer: a
line that came late would stand first among the next example's.
"""

import argparse
import json
import os
import re
import socket
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import panel_harness as harness  # noqa: E402

JOURNAL_LINE = re.compile(r"^effect: #\d+ (.*)$")


def parse_bytes(text):
    text = text.strip()
    if text.startswith('"'):
        return json.loads(text).encode("ascii")
    return bytes.fromhex(text)


def examples(path):
    """(line number, sends, reply or None, journal lines) of every example."""
    found = []
    with open(path, encoding="utf-8") as page:
        lines = page.read().split("\n")
    index = 0
    while index < len(lines):
        if lines[index].strip() != "```example":
            index += 1
            continue
        start = index + 1
        sends, reply, journal = [], None, []
        index += 1
        while lines[index].strip() != "```":
            key, _, value = lines[index].partition(": ")
            if key == "send":
                sends.append(parse_bytes(value))
            elif key == "reply":
                reply = parse_bytes(value)
            elif key == "effect":
                if value != "none":
                    journal.append(value)
            else:
                raise ValueError("%s:%d: no example line: %r" % (path, index + 1, lines[index]))
            index += 1
        if not sends:
            raise ValueError("%s:%d: an example sends nothing" % (path, start))
        found.append((start, sends, reply, journal))
        index += 1
    return found


def journal_since(host, mark):
    with host.changed:
        lines = host.lines[mark:]
    return [JOURNAL_LINE.match(line).group(1) for _, line in lines if JOURNAL_LINE.match(line)]


class ProtocolDocTest(unittest.TestCase):
    def test_every_example(self):
        found = examples(ARGS.doc)
        self.assertGreater(len(found), 20)
        host = harness.Host(ARGS.emulator, ARGS.host)
        try:
            for line, sends, reply, journal in found:
                with self.subTest(line=line):
                    self.run_example(host, sends, reply, journal)
        finally:
            self.assertEqual(0, host.stop())

    def run_example(self, host, sends, reply, journal):
        mark = host.mark()
        with socket.create_connection(("127.0.0.1", host.port), harness.BOUND_S) as client:
            for data in sends:
                client.sendall(data)
            if reply is not None:
                received = b""
                while len(received) < len(reply):
                    chunk = client.recv(4096)
                    if not chunk:
                        break
                    received += chunk
                self.assertEqual(reply.hex(" "), received.hex(" "))
            host.wait_for(lambda _: len(journal_since(host, mark)) >= len(journal),
                          "%d journal lines" % len(journal))
        self.assertEqual(journal, journal_since(host, mark)[:len(journal)])
        if not journal:
            return
        # Lines past the documented ones belong to no later example either.
        self.assertEqual(len(journal), len(journal_since(host, mark)), journal_since(host, mark))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--doc", required=True)
    parser.add_argument("--emulator", default="")
    ARGS, rest = parser.parse_known_args()
    ARGS.emulator = [word for word in ARGS.emulator.split("|") if word]
    unittest.main(argv=[sys.argv[0]] + rest)
