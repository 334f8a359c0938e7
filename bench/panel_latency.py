#!/usr/bin/python3
"""Latency of the browser panel: from a slider move in headless Chromium to the
parameter set reaching the simulated effect of veltra-host, over drags of a
few seconds (run by hand, not part of the test suite).

    bench/panel_latency.py [--build build/default] [--runs 3] [--seconds 3]

Each move's time is the input event's time stamp in the page; each arrival is
when veltra-host printed the command (read as it is printed). Values the
throttle dropped never arrive and are not counted; a value that arrives is
timed from the move that produced it. Prints the median and the worst per run.
"""

import argparse
import json
import os
import statistics
import sys
import tempfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "tools"))
import panel_harness as harness  # noqa: E402

# One parameter with a fine step, so that every pixel of a drag is a value of its own.
LAYOUT = {
    "title": "latency",
    "groups": [{"name": "drag", "parameters": [
        {"id": 12, "label": "dragged", "min": 0, "max": 1, "step": 0.0001}]}],
    "outputModes": [{"value": 0, "label": "0"}],
    "soundModes": [{"value": 0, "label": "0"}],
}


def drag(driver, seconds):
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    slider = driver.find_element(By.ID, "param-12-slider")
    driver.execute_script(
        "window.moves = [];"
        "arguments[0].addEventListener('input', (event) => window.moves.push("
        "[performance.timeOrigin + event.timeStamp, Number(event.target.value)]));", slider)
    width = slider.size["width"]
    steps = int(seconds * 60)
    chain = ActionChains(driver, duration=0)
    chain.move_to_element_with_offset(slider, -width // 2 + 2, 0).click_and_hold()
    for step in range(steps):
        # Back and forth across the slider, one pixel a frame.
        position = step % (2 * (width - 4))
        chain.move_by_offset(1 if position < width - 4 else -1, 0).pause(1 / 60)
    chain.release().perform()
    return driver.execute_script("return window.moves;")


def one_run(args, driver, seconds):
    host = harness.Host([], os.path.join(args.build, "tools", "veltra-host"))
    layout = tempfile.NamedTemporaryFile("w", suffix=".json", delete=False)
    json.dump(LAYOUT, layout)
    layout.close()
    panel = harness.Panel([], os.path.join(args.build, "tools", "veltra-tune"), host.port,
                          ["--layout", layout.name])
    try:
        driver.get(panel.url)
        harness_wait(driver, lambda: "Connected" in driver.find_element("id", "connection").text)
        start = host.mark()
        moves = drag(driver, seconds)
        final = moves[-1][1]
        host.wait_for(lambda _: [s for s in harness.parameter_sets(host.commands(start))
                                 if s[2] == final], "the last value arriving")
        arrivals = harness.parameter_sets(host.commands(start))
    finally:
        panel.stop()
        host.stop()
        os.unlink(layout.name)
    latencies = []
    for arrival, _, value in arrivals:
        made = [time for time, moved in moves if moved == value and time / 1000 <= arrival]
        if made:
            latencies.append(arrival * 1000 - made[-1])
    return len(moves), latencies


def harness_wait(driver, condition):
    from selenium.webdriver.support.ui import WebDriverWait
    WebDriverWait(driver, harness.BOUND_S, poll_frequency=0.05).until(lambda _: condition())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/default")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=3.0)
    args = parser.parse_args()
    reason = harness.missing_browser()
    if reason:
        sys.exit(reason)
    driver, profile = harness.start_browser()
    medians, worsts = [], []
    try:
        for run in range(args.runs):
            moves, latencies = one_run(args, driver, args.seconds)
            medians.append(statistics.median(latencies))
            worsts.append(max(latencies))
            print("run %d: %d moves, %d sets reached the effect; latency median %.1f ms, "
                  "worst %.1f ms" % (run + 1, moves, len(latencies), medians[-1], worsts[-1]))
    finally:
        driver.quit()
        profile.cleanup()
    print("median of the runs' medians %.1f ms; worst of all %.1f ms"
          % (statistics.median(medians), max(worsts)))


if __name__ == "__main__":
    main()
