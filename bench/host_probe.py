#!/usr/bin/env python3
"""Probes a running veltra-host from outside, the way a tuning desk or a
hostile peer would, and prints what the host holds afterwards.

  host_probe.py storm HOST_PID PORT [--connections 20000]
      opens that many connections at once (in waves of 5000), closes them, then samples the
      host's open descriptors until they are back at the count before (or 90 s)
  host_probe.py hold HOST_PID PORT [--clients 900] [--bytes 300000]
      connects that many clients, each sending an unfinished line of that
      size; prints the host's resident memory before, while they hold it,
      and after they have gone
  host_probe.py sets HOST_PID PORT [--count 1000000]
      pipelines that many "param" lines on one connection, sampling the
      host's resident memory as they are taken
  host_probe.py peers HOST_PID PORT [--only NAME,...] [--scale 1.0] [--time-scale 1.0]
      a working client (a separate process: a set and a read-back every
      200 ms on one connection, reconnecting after a failure) while other
      peers connect, one scenario after another:
        silent     1,100 connections that send nothing, held for 8 s
        fdlimit    the host limited to 64 descriptors, 200 silent connections
        trickle    200 connections sending one byte a second for 60 s
        trickle900 900 such connections for 15 s
        storm      20,000 connect-and-close (half ending in a reset), 1,000 in flight
        lines      900 connections each sending 300 KB of an unfinished text
                   line, 3 rounds
        mutate     3 minutes of mutated valid requests, 8 connections at a time
      --scale multiplies the counts, --time-scale the durations of trickle,
      trickle900 and mutate (at least 1 of each). A peer that trickles
      connects again when the host closed it, at most once a second; a
      mutating peer connects again after its requests. Per scenario it prints
      the working client's round trips, failures, replies later than 1 s and
      slowest reply; the host's descriptors before, during (most) and after,
      and how long they took to come back once the peers had left; how long
      a newcomer then waited to be served (and, for silent and fdlimit, how
      long one waited while the peers were held, trying again every 100 ms
      while the host refused it). Each scenario is best run against a host
      of its own.

Figures only: nothing is asserted. Start the host with --quiet so that its
own printing is not what is measured."""
import argparse
import multiprocessing
import os
import resource
import select
import socket
import struct
import threading
import time


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1


def descriptors(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def connect(port):
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.connect(("127.0.0.1", port))
    return sock


def raise_descriptor_limit(wanted):
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    try:
        resource.setrlimit(resource.RLIMIT_NOFILE, (max(wanted, soft), max(wanted, hard)))
    except (ValueError, OSError):  # only a privileged process may raise the hard limit
        resource.setrlimit(resource.RLIMIT_NOFILE, (min(wanted, hard), hard))


def round_trip(port):
    """A query answered: the host still serves."""
    with connect(port) as sock:
        sock.sendall(b"get_param_array 1\n")
        sock.settimeout(10)
        return sock.recv(256).startswith(b"get_param_array_response")


def storm(args):
    # Waves of at most 5000 open at once: this process's descriptors are bounded too.
    wave = 5000
    raise_descriptor_limit(wave + 1024)
    before = descriptors(args.pid)
    refused = 0
    for first in range(0, args.connections, wave):
        socks = []
        for _ in range(min(wave, args.connections - first)):
            sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            sock.setblocking(False)
            try:
                sock.connect(("127.0.0.1", args.port))
            except BlockingIOError:
                pass
            except OSError:
                refused += 1
            socks.append(sock)
        for sock in socks:
            sock.close()
    print(f"storm: {args.connections} connections opened and closed "
          f"({refused} refused at once); host descriptors before: {before}")
    start = time.monotonic()
    count = descriptors(args.pid)
    while time.monotonic() - start < 90:
        count = descriptors(args.pid)
        print(f"  after {time.monotonic() - start:5.1f} s: {count} descriptors")
        if count <= before:
            break
        time.sleep(5)
    print(f"storm: back to {count} descriptors (before: {before}); "
          f"a new client is served: {round_trip(args.port)}")


def hold(args):
    raise_descriptor_limit(args.clients + 1024)
    before = rss_kib(args.pid)
    socks = []
    chunk = b"param 1 " + b"x" * (args.bytes - 8)
    for _ in range(args.clients):
        try:
            sock = connect(args.port)
            sock.setblocking(False)
            try:
                sock.send(chunk)
            except OSError:
                pass
            socks.append(sock)
        except OSError:
            pass
    time.sleep(2)
    holding = rss_kib(args.pid)
    print(f"hold: {args.clients} clients, {args.bytes} bytes of unfinished line each")
    print(f"  host RSS before: {before} KiB; while held: {holding} KiB; "
          f"host descriptors: {descriptors(args.pid)}")
    for sock in socks:
        sock.close()
    time.sleep(2)
    print(f"  host RSS after they left: {rss_kib(args.pid)} KiB; "
          f"a new client is served: {round_trip(args.port)}")


def sets(args):
    step = max(1, args.count // 10)
    line_bytes = []
    with connect(args.port) as sock:
        print(f"sets: host RSS before: {rss_kib(args.pid)} KiB")
        start = time.monotonic()
        for first in range(0, args.count, step):
            burst = "".join(f"param {i % 5000} 0.5\n" for i in range(first, first + step))
            sock.sendall(burst.encode())
            line_bytes.append(len(burst))
            print(f"  {first + step:8d} sets sent: host RSS {rss_kib(args.pid)} KiB")
        sock.sendall(b"get_param_array 1\n")
        sock.settimeout(120)
        sock.recv(256)
        elapsed = time.monotonic() - start
    print(f"sets: {args.count} taken in {elapsed:.1f} s ({args.count / elapsed:,.0f}/s); "
          f"host RSS after: {rss_kib(args.pid)} KiB")


# --- A working client among hostile peers ----------------------------------------


def read_line(sock, deadline):
    """The bytes up to a line feed, or None when the connection ended."""
    data = b""
    while not data.endswith(b"\n"):
        sock.settimeout(max(0.001, deadline - time.monotonic()))
        chunk = sock.recv(256)
        if not chunk:
            return None
        data += chunk
    return data


def working_client(port, stop, results):
    """A set and a read-back every 200 ms, as a panel's read-back or a
    measurement script does; a failure is counted and the client connects
    again."""
    trips = failures = late = 0
    slowest = 0.0
    kinds = {}
    sock = None
    value = 0
    while not stop.is_set():
        started = time.monotonic()
        try:
            if sock is None:
                sock = connect(port)
            value = (value + 1) % 8
            sock.sendall(f"param 7 0.{value}\nget_param_array 7\n".encode())
            line = read_line(sock, started + 5)
            if line is None or not line.startswith(b"get_param_array_response"):
                raise ConnectionError("closed by the host")
            elapsed = time.monotonic() - started
            trips += 1
            slowest = max(slowest, elapsed)
            late += elapsed > 1.0
        except OSError as error:
            failures += 1
            kind = type(error).__name__
            kinds[kind] = kinds.get(kind, 0) + 1
            if sock is not None:
                sock.close()
            sock = None
        stop.wait(max(0.0, 0.2 - (time.monotonic() - started)))
    if sock is not None:
        sock.close()
    results.put({"trips": trips, "failures": failures, "late": late, "slowest": slowest,
                 "kinds": kinds})


def served_after(port, bound=30.0):
    """Seconds until a fresh connection's query is answered, trying again
    every 100 ms while the host refuses it; None past the bound."""
    start = time.monotonic()
    while time.monotonic() - start < bound:
        try:
            with connect(port) as sock:
                sock.sendall(b"get_param_array 7\n")
                line = read_line(sock, time.monotonic() + 5)
                if line is not None and line.startswith(b"get_param_array_response"):
                    return time.monotonic() - start
        except OSError:
            pass
        time.sleep(0.1)
    return None


class DescriptorSampler:
    """The most descriptors the host held while the peers were at it."""

    def __init__(self, pid):
        self.pid = pid
        self.most = descriptors(pid)
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self.run)
        self.thread.start()

    def run(self):
        while not self.stop.wait(0.1):
            self.most = max(self.most, descriptors(self.pid))

    def finish(self):
        self.stop.set()
        self.thread.join()
        return self.most


def open_quietly(port, count, blocking=True):
    socks = []
    for _ in range(count):
        try:
            sock = connect(port)
            sock.setblocking(blocking)
            socks.append(sock)
        except OSError:
            pass
    return socks


def close_all(socks, reset=False):
    for sock in socks:
        try:
            if reset:
                sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            sock.close()
        except OSError:
            pass


def peers_silent(args, count, hold):
    socks = open_quietly(args.port, count)
    waited = served_after(args.port)
    time.sleep(max(0.0, hold - waited) if waited is not None else 0)
    close_all(socks)
    return {"while held": waited}


def peers_fdlimit(args, count, hold):
    soft, hard = resource.prlimit(args.pid, resource.RLIMIT_NOFILE)
    resource.prlimit(args.pid, resource.RLIMIT_NOFILE, (64, hard))
    try:
        return peers_silent(args, count, hold)
    finally:
        resource.prlimit(args.pid, resource.RLIMIT_NOFILE, (soft, hard))


def peers_trickle(args, count, duration):
    socks = open_quietly(args.port, count, blocking=False)
    end = time.monotonic() + duration
    reconnects = 0
    while time.monotonic() < end:
        tick = time.monotonic()
        for index, sock in enumerate(socks):
            try:
                sock.send(b"a")
            except OSError:
                sock.close()
                replacement = open_quietly(args.port, 1, blocking=False)
                socks[index] = replacement[0] if replacement else socket.socket()
                reconnects += 1
        time.sleep(max(0.0, 1.0 - (time.monotonic() - tick)))
    close_all(socks)
    return {"reconnects": reconnects}


def peers_storm(args, count, in_flight):
    done = 0
    while done < count:
        socks = []
        for _ in range(min(in_flight, count - done)):
            sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            sock.setblocking(False)
            try:
                sock.connect(("127.0.0.1", args.port))
            except BlockingIOError:
                pass
            except OSError:
                pass
            socks.append(sock)
        # Up to a second for the connections to be made (poll: the numbers
        # may be past what select can watch).
        poller = select.poll()
        for sock in socks:
            poller.register(sock, select.POLLOUT)
        ready = set()
        deadline = time.monotonic() + 1.0
        while len(ready) < len(socks) and time.monotonic() < deadline:
            ready.update(fd for fd, _ in poller.poll(100))
        close_all(socks[0::2])
        close_all(socks[1::2], reset=True)
        done += len(socks)
    return {}


def peers_lines(args, count, size, rounds):
    chunk = b"param 1 " + b"x" * (size - 8)
    for _ in range(rounds):
        socks = open_quietly(args.port, count, blocking=False)
        for sock in socks:
            try:
                sock.send(chunk)
            except OSError:
                pass
        time.sleep(3)
        close_all(socks)
    return {}


def mutated(random_source):
    """A valid request with a few bytes changed, cut or doubled; never one
    that names a file."""
    requests = [b"param 5 0.25\n", b"get_param_array 1,2,3\n", b"soundmode 2\n",
                b"outputmode 1\n", b"volume 0.5\n", b"meters_enable\n",
                struct.pack("<IId", 1, 9, 0.5), struct.pack("<II", 10, 9),
                struct.pack("<III", 11, 2, 1) + struct.pack("<I", 2),
                struct.pack("<II", 12, 1), struct.pack("<I", 24)]
    data = bytearray(random_source.choice(requests))
    # The first word of a binary request and the keyword of a line stay, so
    # that no mutation names a file to read or write.
    keep = 4 if data[0] < 32 else data.index(b" ") + 1 if b" " in data else len(data)
    for _ in range(random_source.randint(1, 3)):
        action = random_source.random()
        if len(data) > keep and action < 0.5:
            data[random_source.randrange(keep, len(data))] = random_source.randrange(256)
        elif action < 0.75:
            data = data[:random_source.randrange(keep, len(data) + 1)]
        else:
            data += data[keep:]
    if data[0] >= 32 and not data.endswith(b"\n"):
        data += b"\n"
    return bytes(data)


def peers_mutate(args, duration, parallel):
    end = time.monotonic() + duration
    counts = {"connections": 0, "reset before a reply": 0}
    lock = threading.Lock()

    def mutator(seed):
        import random
        random_source = random.Random(seed)
        while time.monotonic() < end:
            try:
                with connect(args.port) as sock:
                    with lock:
                        counts["connections"] += 1
                    for _ in range(random_source.randint(1, 8)):
                        sock.sendall(mutated(random_source))
                    sock.sendall(b"get_param_array 1\n")
                    sock.settimeout(2)
                    sock.recv(4096)
            except (ConnectionResetError, BrokenPipeError):
                with lock:
                    counts["reset before a reply"] += 1
            except OSError:
                pass

    threads = [threading.Thread(target=mutator, args=(seed,)) for seed in range(parallel)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return counts


def peers(args):
    scale = args.scale
    n = lambda value: max(1, int(value * scale))  # noqa: E731
    t = lambda value: max(1, int(value * args.time_scale))  # noqa: E731
    scenarios = {
        "silent": (f"{n(1100)} silent connections held 8 s",
                   lambda: peers_silent(args, n(1100), 8)),
        "fdlimit": (f"host at 64 descriptors, {n(200)} silent connections",
                    lambda: peers_fdlimit(args, n(200), 8)),
        "trickle": (f"{n(200)} connections, a byte a second, {t(60)} s",
                    lambda: peers_trickle(args, n(200), t(60))),
        "trickle900": (f"{n(900)} connections, a byte a second, {t(15)} s",
                       lambda: peers_trickle(args, n(900), t(15))),
        "storm": (f"{n(20000)} connect-and-close, half reset, {n(1000)} in flight",
                  lambda: peers_storm(args, n(20000), n(1000))),
        "lines": (f"{n(900)} connections holding {n(300)} KB of a line, 3 rounds",
                  lambda: peers_lines(args, n(900), n(300) * 1000, 3)),
        "mutate": (f"{t(180)} s of mutated valid requests, 8 at a time",
                   lambda: peers_mutate(args, t(180), 8)),
    }
    chosen = args.only.split(",") if args.only else list(scenarios)
    raise_descriptor_limit(n(1100) + 1024)
    context = multiprocessing.get_context("fork")
    rows = []
    for name in chosen:
        title, run = scenarios[name]
        before = descriptors(args.pid)
        stop = context.Event()
        results = context.Queue()
        client = context.Process(target=working_client, args=(args.port, stop, results))
        client.start()
        time.sleep(1)
        sampler = DescriptorSampler(args.pid)
        extra = run()
        left = time.monotonic()
        waited = served_after(args.port)
        # Back: no more than before and the working client's connection.
        while descriptors(args.pid) > before + 1 and time.monotonic() - left < 15:
            time.sleep(0.05)
        back = time.monotonic() - left
        most = sampler.finish()
        stop.set()
        outcome = results.get(timeout=30)
        client.join()
        after = descriptors(args.pid)
        while after > before and time.monotonic() - left < 20:
            time.sleep(0.05)
            after = descriptors(args.pid)
        rows.append((title, outcome, before, most, after, back, waited, extra))
        print(f"{name}: {title}: working client {outcome['trips']} round trips, "
              f"{outcome['failures']} failed {outcome['kinds']}, {outcome['late']} later "
              f"than 1 s, slowest {outcome['slowest']:.3f} s; "
              f"host descriptors {before}/{most}/{after} "
              f"(back after {back:.1f} s); newcomer after the peers left waited "
              f"{'-' if waited is None else f'{waited:.3f} s'}; {extra}", flush=True)
    print()
    print("| Other peers | Working client: round trips, failed, later than 1 s, slowest "
          "| Host descriptors before / most during / after (back in) "
          "| Newcomer once the peers had left waited |")
    print("|---|---|---|---|")
    for title, outcome, before, most, after, back, waited, extra in rows:
        note = "".join(f"; {key} {value:.3f} s" if isinstance(value, float) else
                       f"; {key} {value}" for key, value in extra.items())
        print(f"| {title} | {outcome['trips']}, {outcome['failures']} failed, "
              f"{outcome['late']}, {outcome['slowest']:.3f} s | "
              f"{before} / {most} / {after} ({back:.1f} s) | "
              f"{'never (30 s)' if waited is None else f'{waited:.3f} s'}{note} |")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("mode", choices=["storm", "hold", "sets", "peers"])
    parser.add_argument("pid", type=int)
    parser.add_argument("port", type=int)
    parser.add_argument("--connections", type=int, default=20000)
    parser.add_argument("--clients", type=int, default=900)
    parser.add_argument("--bytes", type=int, default=300000)
    parser.add_argument("--count", type=int, default=1000000)
    parser.add_argument("--only", default="")
    parser.add_argument("--scale", type=float, default=1.0)
    parser.add_argument("--time-scale", type=float, default=1.0)
    args = parser.parse_args()
    {"storm": storm, "hold": hold, "sets": sets, "peers": peers}[args.mode](args)


if __name__ == "__main__":
    main()
