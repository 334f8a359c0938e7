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

Figures only: nothing is asserted. Start the host with --quiet so that its
own printing is not what is measured."""
import argparse
import os
import resource
import socket
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


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("mode", choices=["storm", "hold", "sets"])
    parser.add_argument("pid", type=int)
    parser.add_argument("port", type=int)
    parser.add_argument("--connections", type=int, default=20000)
    parser.add_argument("--clients", type=int, default=900)
    parser.add_argument("--bytes", type=int, default=300000)
    parser.add_argument("--count", type=int, default=1000000)
    args = parser.parse_args()
    {"storm": storm, "hold": hold, "sets": sets}[args.mode](args)


if __name__ == "__main__":
    main()
