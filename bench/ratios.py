#!/usr/bin/env python3
"""Reads Google Benchmark JSON (from --benchmark_format=json, with
repetitions) on standard input and prints, for every benchmark that exists as
an ours/peer pair, the median rate of each and the median of the per-
repetition ratios with their range. Pairs are named BM_<Ours>_<Shape> and BM_<Peer>_<Shape>:

  ratios.py [OURS PEER]     default: Veltra Redis (also Tarvo Spdlog)

The machine the figures come from (CPU model, cores, kernel) is printed
above the table, since a ratio between two programs can move with it.
"""
import json
import os
import platform
import statistics
import sys


def cpu_model():
    """The model name the kernel reports for the first processor."""
    try:
        with open("/proc/cpuinfo", encoding="utf-8", errors="replace") as cpuinfo:
            for line in cpuinfo:
                key, _, value = line.partition(":")
                if key.strip() in ("model name", "Hardware", "Processor"):
                    return value.strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def machine_line(context):
    """CPU model, cores and kernel of this machine; the benchmark's own count
    of CPUs and its load figures when the JSON carries them."""
    cores = os.cpu_count()
    text = f"machine: {cpu_model()}, {cores} cores, kernel {platform.release()} ({platform.machine()})"
    load = context.get("load_avg")
    if load:
        text += ", load " + " ".join(f"{value:.2f}" for value in load)
    return text


def rates(results):
    """name -> list of items/s (or 1/time) per repetition, in run order."""
    table = {}
    for run in results["benchmarks"]:
        if run.get("run_type") != "iteration" or run.get("error_occurred"):
            continue
        name = run["run_name"] if "run_name" in run else run["name"]
        rate = run.get("items_per_second")
        if rate is None:
            rate = 1e9 / run["real_time"] if run["time_unit"] == "ns" else None
        if rate is not None:
            table.setdefault(name, []).append(rate)
    return table


def main():
    pairs = [tuple(sys.argv[1:3])] if len(sys.argv) >= 3 else [("Veltra", "Redis"),
                                                                 ("Tarvo", "Spdlog")]
    results = json.load(sys.stdin)
    print(machine_line(results.get("context", {})))
    table = rates(results)
    for ours, peer in pairs:
        for name in sorted(table):
            prefix = f"BM_{ours}_"
            if not name.startswith(prefix):
                continue
            peer_name = f"BM_{peer}_" + name[len(prefix):]
            if peer_name not in table:
                continue
            mine, theirs = table[name], table[peer_name]
            per_run = [a / b for a, b in zip(mine, theirs)]
            print(f"{name[len(prefix):]:32s} {ours} {statistics.median(mine):14,.0f}/s  "
                  f"{peer} {statistics.median(theirs):14,.0f}/s  "
                  f"ratio {statistics.median(per_run):5.2f}x (median of {len(per_run)}, "
                  f"{min(per_run):.2f}-{max(per_run):.2f})")


if __name__ == "__main__":
    main()
