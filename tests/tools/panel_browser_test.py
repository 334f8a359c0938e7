"""The tuning panel in a real browser: headless Chromium opens the page of
veltra-tune panel against a running veltra-host, works its controls, and the
test reads in the simulated effect's journal which commands arrived, in which
order, and on the page what it shows.

    panel_browser_test.py --host PATH --tune PATH [--emulator WORDS]
                          [--screenshot PNG] [unittest arguments]

Exit status 77 (skipped) with one line saying why when no browser is here.
"""

import argparse
import json
import os
import signal
import sys
import tempfile
import time
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import panel_harness as harness  # noqa: E402

ARGS = None


def setUpModule():
    global By, Keys, Select, ActionChains, WebDriverWait
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select, WebDriverWait


class PanelBrowserTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.driver, cls.profile = harness.start_browser()

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.profile.cleanup()

    def setUp(self):
        self.host = harness.Host(ARGS.emulator, ARGS.host)
        self.addCleanup(self.stop, self.host)
        self.panel = harness.Panel(ARGS.emulator, ARGS.tune, self.host.port)
        self.addCleanup(self.stop, self.panel)
        self.driver.get(self.panel.url)
        self.wait_until(lambda: "Connected" in self.text("connection"), "the page connects")

    def stop(self, program):
        # Both stop cleanly on SIGTERM (under the sanitizers: without findings).
        self.assertEqual(0, program.stop(), program.output())

    # --- helpers ---------------------------------------------------------------

    def element(self, element_id):
        return self.driver.find_element(By.ID, element_id)

    def text(self, element_id):
        return self.element(element_id).text

    def wait_until(self, condition, what):
        WebDriverWait(self.driver, harness.BOUND_S, poll_frequency=0.05).until(
            lambda _: condition(), "the page did not show that %s" % what)

    def controls_enabled(self):
        """Whether every control can be used (False while any is disabled)."""
        return self.driver.execute_script(
            "return [...document.querySelectorAll('fieldset.controls')]"
            ".every((fieldset) => !fieldset.disabled);")

    def wait_for_commands(self, since, found, what):
        return self.host.wait_for(lambda _: found(self.host.commands(since)), what)

    def type_into(self, element_id, text):
        """Replaces what a text box holds, as a person would, and presses Enter."""
        self.element(element_id).send_keys(Keys.CONTROL + "a" + Keys.NULL + text + "\n")

    def drag(self, slider_id, steps, step_px):
        """Drags a slider from its left end to the right, as a hand would."""
        slider = self.element(slider_id)
        width = slider.size["width"]
        chain = ActionChains(self.driver, duration=0)
        chain.move_to_element_with_offset(slider, -width // 2 + 6, 0).click_and_hold()
        for _ in range(steps):
            chain.move_by_offset(step_px, 0).pause(0.01)
        chain.release().perform()
        return float(slider.get_attribute("value"))

    # --- tests -------------------------------------------------------------------

    def test_drag_select_and_load_preset_arrive_in_order_and_read_back(self):
        start = self.host.mark()
        began = time.monotonic()
        final = self.drag("param-12-slider", steps=30, step_px=6)
        self.assertGreater(final, 0.0)

        # The last value always arrives, and every value before it came in
        # the order the slider passed through them.
        sets = self.wait_for_commands(
            start, lambda commands: [s for s in harness.parameter_sets(commands)
                                     if s[1] == 12 and s[2] == final] and commands,
            "parameter 12 reaching %g" % final)
        values = [value for _, pid, value in harness.parameter_sets(sets) if pid == 12]
        self.assertEqual(sorted(values), values)
        self.assertEqual(final, values[-1])
        # Throttled: at most one set per 40 ms while dragging, plus the last.
        elapsed_ms = (time.monotonic() - began) * 1000
        self.assertLessEqual(len(values), elapsed_ms / 40 + 2, values)

        Select(self.element("output-mode")).select_by_value("2")
        preset = tempfile.NamedTemporaryFile("w", suffix=".mps", delete=False)
        self.addCleanup(os.unlink, preset.name)
        preset.write("param 0 0 0 30 0.75\n")
        preset.close()
        self.type_into("preset-path", preset.name)
        self.element("preset-load").click()

        commands = self.wait_for_commands(
            start, lambda commands: [c for c in commands if c[1] == harness.LOAD_PRESET]
            and commands, "the preset load reaching the effect")
        order = [code for _, code, _ in commands if code != harness.GET_PARAMETERS]
        last_set = len(order) - 1 - order[::-1].index(harness.SET_PARAMETERS)
        self.assertLess(last_set, order.index(harness.OUTPUT_MODE))
        self.assertLess(order.index(harness.OUTPUT_MODE), order.index(harness.LOAD_PRESET))
        mode = [data for _, code, data in commands if code == harness.OUTPUT_MODE]
        self.assertEqual([b"\x02\x00"], mode)
        load = [data for _, code, data in commands if code == harness.LOAD_PRESET][0]
        self.assertIn(preset.name.encode(), load)

        # The read-back shows the preset's value, and the slider follows it.
        self.wait_until(lambda: self.text("param-30-device") == "effect: 0.75",
                        "parameter 30 read back as 0.75")
        self.assertEqual("0.75", self.element("param-30-number").get_attribute("value"))

        # A change made by another client shows as differing from what the
        # panel set.
        other = harness.Program(ARGS.emulator + [ARGS.tune, "--port", str(self.host.port),
                                                 "set-param", "12", "0.125"])
        self.assertEqual(0, other.finish(), other.output())
        self.wait_until(lambda: self.text("param-12-device") == "effect: 0.125 ≠ set %g" % final,
                        "parameter 12 changed elsewhere")
        self.assertIn("differs", self.element("param-12-device").find_element(
            By.XPATH, "..").get_attribute("class"))

        # The request log lists what was sent, as veltra-tune prints it.
        log = self.text("log")
        self.assertIn("set-param 12 %g" % final, log)
        self.assertIn("sent output-mode (16 bytes)", log)
        if ARGS.screenshot:
            self.driver.set_window_size(1400, 1120)
            self.driver.save_screenshot(ARGS.screenshot)

    def test_bad_input_is_refused_on_the_page_and_never_sent(self):
        start = self.host.mark()
        self.type_into("param-12-number", "abc")
        self.wait_until(lambda: "is not a number" in self.text("param-12-msg"),
                        "a message about the non-number")
        self.type_into("param-12-number", "5")
        self.wait_until(lambda: "out of range (0 to 1)" in self.text("param-12-msg"),
                        "a message about the range")
        self.type_into("tag-enable", "0x1FFFF")
        self.element("tag-apply").click()
        self.wait_until(lambda: "16 bits" in self.text("message"), "a message about the mask")

        for request, message in [
                ({"command": "set-param", "id": 99, "value": 0.5}, "not on this panel"),
                ({"command": "set-param", "id": 12, "value": "0.5x"}, "is not a number"),
                ({"command": "set-param", "id": 12, "value": 1.5}, "out of range"),
                ({"command": "load-preset", "path": "/tmp/a\nvolume 1"}, "line feed"),
                ({"command": "recording", "on": True, "path": "a b"}, "blanks"),
                ({"command": "log-level", "tag": "NO_SUCH_TAG", "level": 1}, "no log tag"),
                ({"command": "output-mode", "mode": 9}, "not offered"),
                ({"command": "no-such-command"}, "no command")]:
            status, answer = self.panel.request("POST", "/api/send", request)
            self.assertEqual(400, status, request)
            self.assertIn(message, answer["error"], request)
        status, _ = self.panel.request("POST", "/api/send", {"command": "dump"}, "text/plain")
        self.assertEqual(415, status)

        # A valid request after all that is the first thing the effect gets.
        self.type_into("param-12-number", "0.5")
        def set_twice(commands):
            sent = [c for c in commands if c[1] != harness.GET_PARAMETERS]
            return sent if len(sent) >= 2 else None
        commands = self.wait_for_commands(start, set_twice, "the valid set reaching the effect")
        self.assertEqual([(12, 0.5)], [(pid, value) for _, pid, value
                                       in harness.parameter_sets(commands)])
        self.assertEqual([harness.SET_PARAMETERS] * 2, [code for _, code, _ in commands])
        self.wait_until(lambda: self.text("param-12-msg") == "", "the message cleared")

    def test_every_control_sends_its_command(self):
        clicks = [
            ("sound-mode", "1", harness.SOUND_MODE), ("custom-apply", None, 0x1001C),
            ("tag-apply", None, 0x10001), ("log-level-apply", None, 0x10002),
            ("log-output-off", None, 0x10039), ("recording-on", None, 0x10007),
            ("recording-off", None, 0x1001B), ("meters-on", None, 0x10035),
            ("calibrate", None, 0x10029), ("dump", None, 0x1003B)]
        self.type_into("recording-path", "/tmp/panel-rec")
        Select(self.element("log-output")).select_by_value("STDERR_LOG")
        for element_id, value, code in clicks:
            mark = self.host.mark()
            if value is None:
                self.element(element_id).click()
            else:
                Select(self.element(element_id)).select_by_value(value)
            self.wait_for_commands(mark, lambda commands: [c for c in commands if c[1] == code],
                                   "%s sending 0x%x" % (element_id, code))
        mark = self.host.mark()
        self.type_into("volume-number", "0.25")
        self.wait_for_commands(mark, lambda commands: [c for c in commands if c[1] == 0x1003A],
                               "the volume reaching the effect")
        self.assertEqual("", self.text("volume-msg"))

    def test_unreachable_server_disables_the_controls_until_it_is_back(self):
        port = self.host.port
        self.assertEqual(0, self.host.stop())
        self.wait_until(lambda: "No tuning server" in self.text("connection"),
                        "the tuning server gone")
        self.assertFalse(self.controls_enabled())
        self.wait_until(lambda: "Connection refused" in self.text("connection"),
                        "why the controls are disabled")
        self.host = harness.Host(ARGS.emulator, ARGS.host, port)
        self.addCleanup(self.stop, self.host)
        self.wait_until(lambda: "Connected" in self.text("connection"), "the page reconnects")
        self.assertTrue(self.controls_enabled())

        # A server that stops answering is shown too.
        self.host.process.send_signal(signal.SIGSTOP)
        self.addCleanup(self.host.process.send_signal, signal.SIGCONT)
        self.wait_until(lambda: "not answering" in self.text("connection"),
                        "the tuning server not answering")
        self.assertFalse(self.controls_enabled())
        self.host.process.send_signal(signal.SIGCONT)
        self.wait_until(lambda: "Connected" in self.text("connection"), "the page recovers")

    def test_text_dialect_reads_back_what_its_replies_can_show(self):
        text_panel = harness.Panel(ARGS.emulator, ARGS.tune, self.host.port, ["--dialect", "text"])
        self.addCleanup(self.stop, text_panel)
        self.driver.get(text_panel.url)
        self.wait_until(lambda: self.text("connection").startswith("Connected")
                        and "(text dialect)" in self.text("connection"),
                        "the page connected in the text dialect")
        start = self.host.mark()
        self.type_into("param-21-number", "-1.237")
        sets = self.wait_for_commands(start, harness.parameter_sets, "the set reaching the effect")
        self.assertEqual([(21, -1.237)], [(pid, value) for _, pid, value in sets])
        # Text replies carry two decimals: the value read back is the one set.
        self.wait_until(lambda: self.text("param-21-device") == "effect: -1.24",
                        "parameter 21 read back in text")
        self.assertNotIn("differs", self.element("param-21-device").find_element(
            By.XPATH, "..").get_attribute("class"))
        self.assertIn("param 21 -1.237\\n", self.text("log"))

    def test_state_saved_from_the_page_loads_back_with_every_value(self):
        mark = self.host.mark()
        self.type_into("param-20-number", "1.25")
        Select(self.element("sound-mode")).select_by_value("3")
        self.wait_for_commands(mark, lambda commands: [c for c in commands
                                                       if c[1] == harness.SOUND_MODE],
                               "the sound mode reaching the effect")
        self.wait_until(lambda: self.text("param-20-device") == "effect: 1.25",
                        "parameter 20 read back")
        href = self.element("state-save").get_attribute("href")
        status, state = self.panel.request("GET", href[len(self.panel.url) - 1:])
        self.assertEqual(200, status)
        saved = {entry["id"]: entry["value"] for entry in state["parameters"]}
        self.assertEqual({12: 0.0, 20: 1.25, 21: 0.0, 30: 0.0}, saved)
        self.assertEqual({"soundMode": 3}, state["modes"])

        for entry in state["parameters"]:
            entry["value"] = {12: 0.5, 20: 2.0, 21: -1.5, 30: 0.25}[entry["id"]]
        state["modes"]["outputMode"] = 1
        path = os.path.join(self.profile.name, "state.json")
        with open(path, "w") as file:
            json.dump(state, file)
        start = self.host.mark()
        self.element("state-file").send_keys(path)
        self.wait_until(lambda: "every value sent" in self.text("message"), "the state loaded")
        commands = self.wait_for_commands(
            start, lambda commands: [c for c in commands if c[1] == harness.SOUND_MODE]
            and [c for c in commands if c[1] != harness.GET_PARAMETERS],
            "the state's commands reaching the effect")
        # One array of four values (ids 12, 20, 21, 30), twice; then the modes.
        self.assertEqual([harness.SET_PARAMETERS] * 2 + [harness.OUTPUT_MODE, harness.SOUND_MODE],
                         [code for _, code, _ in commands])
        self.assertEqual(bytes.fromhex("04000000"), commands[0][2][:4])
        self.assertEqual(bytes.fromhex("0c000000 14000000 15000000 1e000000"),
                         commands[0][2][16:32])
        for pid, value in [(12, "0.5"), (20, "2"), (21, "-1.5"), (30, "0.25")]:
            self.wait_until(lambda: self.text("param-%d-device" % pid) == "effect: " + value,
                            "parameter %d read back as %s" % (pid, value))


class PanelRequestTest(unittest.TestCase):
    """The panel's own HTTP checks, without a browser: what a page of another
    site, or a second panel, meets."""

    def setUp(self):
        self.host = harness.Host(ARGS.emulator, ARGS.host)
        self.addCleanup(self.stop, self.host)
        self.panel = harness.Panel(ARGS.emulator, ARGS.tune, self.host.port)
        self.addCleanup(self.stop, self.panel)
        self.port = int(self.panel.url.rstrip("/").rsplit(":", 1)[1])

    def stop(self, program):
        self.assertEqual(0, program.stop(), program.output())

    def test_a_foreign_host_is_refused(self):
        for host in ["attacker.example:%d" % self.port, "127.0.0.1:%d" % (self.port + 1),
                     "127.0.0.1"]:
            for method, path, body in [("GET", "/", None), ("GET", "/api/poll", None),
                                       ("POST", "/api/send", {"command": "dump"})]:
                status, _ = self.panel.request(method, path, body, headers={"Host": host})
                self.assertEqual(403, status, (host, method, path))
        for host in ["127.0.0.1:%d" % self.port, "localhost:%d" % self.port,
                     "[::1]:%d" % self.port]:
            status, answer = self.panel.request("GET", "/api/config", headers={"Host": host})
            self.assertEqual(200, status, host)
            self.assertIn("layout", answer)

    def test_a_cross_origin_request_sends_nothing(self):
        start = self.host.mark()
        own = "http://127.0.0.1:%d" % self.port
        for origin in ["http://attacker.example", "http://attacker.example:%d" % self.port,
                       "https://127.0.0.1:%d" % self.port, "null"]:
            for path, body in [("/api/send", {"command": "set-param", "id": 12, "value": 0.75}),
                               ("/api/state", {"parameters": [{"id": 12, "value": 0.75}]})]:
                status, answer = self.panel.request("POST", path, body,
                                                    headers={"Origin": origin})
                self.assertEqual(403, status, (origin, path))
                self.assertIn("another origin", answer["error"])
        # The panel's own origin is served; its set is the first command the
        # effect gets (the relay sends in order, so the refused ones never went).
        status, _ = self.panel.request("POST", "/api/send",
                                       {"command": "set-param", "id": 12, "value": 0.25},
                                       headers={"Origin": own})
        self.assertEqual(200, status)
        def set_twice(_):
            sent = [c for c in self.host.commands(start) if c[1] != harness.GET_PARAMETERS]
            return sent if len(sent) >= 2 else None
        commands = self.host.wait_for(set_twice, "the set reaching the effect")
        self.assertEqual([(12, 0.25)], [(pid, value) for _, pid, value
                                        in harness.parameter_sets(commands)])
        self.assertEqual([harness.SET_PARAMETERS] * 2, [code for _, code, _ in commands])

    def test_a_second_panel_on_a_busy_port_exits_5(self):
        second = harness.Program(ARGS.emulator + [
            ARGS.tune, "panel", "--port", str(self.host.port),
            "--listen", "127.0.0.1:%d" % self.port])
        self.assertEqual(5, second.finish(), second.output())
        self.assertIn("cannot serve 127.0.0.1:%d" % self.port, second.output())
        self.assertNotIn("serving", second.output())
        # The first panel still answers.
        status, _ = self.panel.request("GET", "/api/config")
        self.assertEqual(200, status)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", required=True)
    parser.add_argument("--tune", required=True)
    parser.add_argument("--emulator", default="", help="'|'-separated words before a program")
    parser.add_argument("--screenshot")
    ARGS, rest = parser.parse_known_args()
    ARGS.emulator = [word for word in ARGS.emulator.split("|") if word]
    reason = harness.missing_browser()
    if reason:
        print("skipped: " + reason)
        return 77
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
