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
import struct
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

        # The protocol answers a preset load with nothing: the page says so.
        self.wait_until(lambda: self.text("message")
                        == "sent; the tuning protocol returns no result for load-preset",
                        "the preset load sent, with no result")

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

        tag = self.panel.request("GET", "/api/config")[1]["logging"]["tags"][0]
        for request, message in [
                ({"command": "set-param", "id": 99, "value": 0.5}, "not on this panel"),
                ({"command": "set-param", "id": 12, "value": "0.5x"}, "is not a number"),
                ({"command": "set-param", "id": 12, "value": 1.5}, "out of range"),
                ({"command": "load-preset", "path": "/tmp/a\nvolume 1"}, "line feed"),
                ({"command": "recording", "on": True, "path": "a b"}, "blanks"),
                ({"command": "log-level", "tag": "NO_SUCH_TAG", "level": 1}, "no log tag"),
                ({"command": "output-mode", "mode": 9}, "not offered"),
                ({"command": "output-mode", "mode": 65536}, "not offered"),
                ({"command": "set-param", "id": 12, "value": "nan"}, "is not a number"),
                ({"command": "volume", "value": "-inf"}, "is not a number"),
                ({"command": "set-param", "id": 4294967296, "value": 0.5},
                 "id 4294967296 is out of range"),
                ({"command": "log-level", "tag": tag, "level": 5}, "out of range (0 to 4)"),
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
        Select(self.element("custom-first")).select_by_value("1")
        Select(self.element("custom-second")).select_by_value("2")
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
        # The slider follows the typed value.
        self.wait_until(lambda: self.element("volume-slider").get_attribute("value") == "0.25",
                        "the volume slider at the typed 0.25")
        self.wait_until(lambda: self.text("message")
                        == "sent; the tuning protocol returns no result for dump",
                        "the dump sent, with no result")

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

    # --- the session: A/B, undo, compare, replay ------------------------------

    def sent_since(self, mark, count):
        """The commands other than read-backs since mark, once there are count."""
        def enough(commands):
            sent = [c for c in commands if c[1] != harness.GET_PARAMETERS]
            return sent if len(sent) >= count else None
        return self.wait_for_commands(mark, enough, "%d commands reaching the effect" % count)

    def wait_for_steps(self, count):
        self.wait_until(lambda: self.text("history").startswith("%d steps to undo" % count),
                        "%d steps in the history" % count)

    def wait_all_read_back(self):
        self.wait_until(lambda: all(self.text("param-%d-device" % pid) != "effect: unknown"
                                    for pid in (12, 20, 21, 30)), "every parameter read back")

    def press(self, *keys):
        chain = ActionChains(self.driver)
        for key in keys[:-1]:
            chain.key_down(key)
        chain.send_keys(keys[-1])
        for key in reversed(keys[:-1]):
            chain.key_up(key)
        chain.perform()

    def test_a_b_switch_sends_only_what_differs_and_undo_redo_follow(self):
        self.wait_all_read_back()
        self.type_into("param-12-number", "0.25")
        Select(self.element("output-mode")).select_by_value("1")
        self.type_into("volume-number", "0.5")
        self.wait_for_steps(3)
        self.element("keep-a").click()
        self.assertEqual("Live: A", self.text("ab-live"))
        self.type_into("param-12-number", "0.75")
        self.type_into("param-20-number", "1.5")
        Select(self.element("output-mode")).select_by_value("2")
        self.type_into("volume-number", "0.25")
        self.wait_for_steps(7)
        self.assertEqual("Live: A, changed since", self.text("ab-live"))
        self.element("keep-b").click()
        self.assertEqual("Live: B", self.text("ab-live"))

        def check_burst(mark, values, mode, volume):
            commands = self.sent_since(mark, 4)
            self.assertEqual([harness.SET_PARAMETERS] * 2 + [harness.OUTPUT_MODE, harness.VOLUME],
                             [code for _, code, _ in commands])
            self.assertEqual([pid for pid, _ in values], harness.parameter_ids(commands[0][2]))
            self.assertEqual(bytes([mode, 0]), commands[2][2])
            self.assertEqual(volume, struct.unpack_from("<d", commands[3][2], 5)[0])
            for pid, value in values:
                self.wait_until(lambda: self.text("param-%d-device" % pid) == "effect: %g" % value,
                                "parameter %d read back as %g" % (pid, value))

        # The button: A again, only parameters 12 and 20, the mode and the
        # volume, in one burst; parameters 21 and 30 are the same in both.
        mark = self.host.mark()
        self.element("ab-switch").click()
        self.wait_until(lambda: self.text("ab-live") == "Live: A", "A live")
        check_burst(mark, [(12, 0.25), (20, 0.0)], 1, 0.5)
        self.assertEqual("0.25", self.element("param-12-slider").get_attribute("value"))
        # The key: B again.
        mark = self.host.mark()
        self.press("x")
        self.wait_until(lambda: self.text("ab-live") == "Live: B", "B live")
        check_burst(mark, [(12, 0.75), (20, 1.5)], 2, 0.25)
        # Undoing the switch goes back to A; redoing it to B.
        mark = self.host.mark()
        self.press(Keys.CONTROL, "z")
        self.wait_until(lambda: self.text("ab-live") == "Live: A", "A live after undo")
        check_burst(mark, [(12, 0.25), (20, 0.0)], 1, 0.5)
        mark = self.host.mark()
        self.element("redo").click()
        self.wait_until(lambda: self.text("ab-live") == "Live: B", "B live after redo")
        check_burst(mark, [(12, 0.75), (20, 1.5)], 2, 0.25)

    def test_a_drag_is_one_step_and_undo_sends_the_value_before_it(self):
        self.wait_all_read_back()
        self.type_into("param-12-number", "0.5")
        self.wait_for_steps(1)
        start = self.host.mark()
        final = self.drag("param-12-slider", steps=20, step_px=6)
        self.wait_for_steps(2)
        self.wait_for_commands(start, lambda commands: [
            s for s in harness.parameter_sets(commands) if s[1:] == (12, final)],
            "the drag's last value reaching the effect")
        mark = self.host.mark()
        self.element("undo").click()
        commands = self.sent_since(mark, 2)
        self.assertEqual([(12, 0.5)], [s[1:] for s in harness.parameter_sets(commands)])
        self.assertEqual([harness.SET_PARAMETERS] * 2, [code for _, code, _ in commands])
        self.wait_until(lambda: self.element("param-12-slider").get_attribute("value") == "0.5",
                        "the slider back at 0.5")
        mark = self.host.mark()
        self.press(Keys.CONTROL, Keys.SHIFT, "z")
        commands = self.sent_since(mark, 2)
        self.assertEqual([(12, final)], [s[1:] for s in harness.parameter_sets(commands)])

    def compare_rows(self):
        return self.driver.execute_script(
            "return [...document.querySelectorAll('#compare-rows tr')]"
            ".map((row) => [...row.cells].map((cell) => cell.textContent));")

    def test_a_saved_state_is_compared_with_the_live_values_and_applied(self):
        self.wait_all_read_back()
        self.element("keep-a").click()
        self.type_into("param-12-number", "0.3")
        Select(self.element("sound-mode")).select_by_value("3")
        self.wait_for_steps(2)
        self.element("keep-b").click()
        state = {"format": "veltra-panel-state",
                 "parameters": [{"id": 12, "value": 0.5}, {"id": 20, "value": 0},
                                {"id": 21, "value": -1.5}, {"id": 30, "value": 0}],
                 "modes": {"outputMode": 1, "soundMode": 2}}
        path = os.path.join(self.profile.name, "compared.json")
        with open(path, "w") as file:
            json.dump(state, file)
        self.element("compare-file").send_keys(path)
        expected = [["Parameter 12 (id 12)", "0.5", "0.3", "+0.2"],
                    ["Parameter 20 (id 20)", "0", "0", "same"],
                    ["Parameter 21 (id 21)", "-1.5", "0", "-1.5"],
                    ["Parameter 30 (id 30)", "0", "0", "same"],
                    ["Output mode", "1", "unknown", "unknown"],
                    ["Sound mode", "2", "3", "differs"]]
        self.wait_until(lambda: self.compare_rows() == expected, "the comparison")
        if ARGS.session_screenshot:
            self.driver.set_window_size(1400, 1400)
            self.driver.save_screenshot(ARGS.session_screenshot)
            self.driver.set_window_size(1400, 1000)

        mark = self.host.mark()
        self.element("compare-apply").click()
        commands = self.sent_since(mark, 4)
        self.assertEqual([harness.SET_PARAMETERS] * 2 + [harness.OUTPUT_MODE, harness.SOUND_MODE],
                         [code for _, code, _ in commands])
        self.assertEqual([12, 21], harness.parameter_ids(commands[0][2]))
        self.assertEqual([b"\x01\x00", b"\x02\x00"], [data for _, _, data in commands[2:]])
        self.wait_until(lambda: [row[3] for row in self.compare_rows()] == ["same"] * 6,
                        "every value the same as the file's")

    def test_the_session_and_the_live_values_replay_on_another_device(self):
        self.wait_all_read_back()
        self.type_into("param-12-number", "0.5")
        self.drag("param-21-slider", steps=10, step_px=6)
        self.type_into("param-21-number", "-2")
        Select(self.element("output-mode")).select_by_value("2")
        self.type_into("volume-number", "0.4")
        self.wait_for_steps(5)
        self.assertEqual("0.4", self.element("volume-slider").get_attribute("value"))

        # The session's commands come from the panel's log: the volume is its
        # last command.
        self.wait_until(lambda: "volume 0.4" in self.text("log"), "the volume in the log")
        other = harness.Host(ARGS.emulator, ARGS.host)
        self.addCleanup(self.stop, other)
        for button, expected in [
                ("script-session", ["set-param 12 0.5", "set-param 21 -2", "output-mode 2",
                                    "volume 0.4"]),
                ("script-state", ["set-params 12=0.5,20=0,21=-2,30=0", "output-mode 2",
                                  "volume 0.4"])]:
            self.element(button).click()
            self.assertEqual(expected, [line for line in self.element("replay-script")
                                        .get_attribute("value").splitlines()
                                        if not line.startswith("#")])
            script = os.path.join(self.profile.name, button + ".txt")
            with open(script, "w") as file:
                file.write(self.element("replay-script").get_attribute("value"))
            mark = other.mark()
            with open(script) as file:
                replay = harness.Program(ARGS.emulator + [ARGS.tune, "--port", str(other.port)],
                                         stdin=file)
            self.assertEqual(0, replay.finish(), replay.output())
            # The volume is the script's last command.
            commands = other.wait_for(
                lambda _: [c for c in other.commands(mark) if c[1] == harness.VOLUME]
                and [c for c in other.commands(mark) if c[1] != harness.GET_PARAMETERS],
                "the script's commands reaching the other effect")
            if button == "script-state":
                self.assertEqual({12, 20, 21, 30}, {
                    pid for _, code, data in commands if code == harness.SET_PARAMETERS
                    for pid in harness.parameter_ids(data)})
            else:
                self.assertEqual({12: 0.5, 21: -2.0},
                                 {pid: value for _, pid, value in harness.parameter_sets(commands)})
            # What the other device holds now, read back there.
            reader = harness.Program(ARGS.emulator + [ARGS.tune, "--port", str(other.port),
                                                      "get-params", "12,20,21,30"])
            self.assertEqual(0, reader.finish(), reader.output())
            self.assertIn("12 = 0.5", reader.output())
            self.assertIn("21 = -2", reader.output())
            self.assertIn((harness.OUTPUT_MODE, b"\x02\x00"), [c[1:] for c in commands])
            self.assertEqual(0.4, struct.unpack_from("<d", commands[-1][2], 5)[0])

    def test_controls_show_unknown_until_read_back(self):
        gone = harness.Host(ARGS.emulator, ARGS.host)
        port = gone.port
        self.assertEqual(0, gone.stop())
        panel = harness.Panel(ARGS.emulator, ARGS.tune, port)
        self.addCleanup(self.stop, panel)
        self.driver.get(panel.url)
        self.wait_until(lambda: "No tuning server" in self.text("connection"), "no tuning server")
        for select in ["output-mode", "sound-mode", "custom-first", "custom-second"]:
            self.assertEqual("unknown", Select(self.element(select)).first_selected_option.text)
        for number in ["param-12-number", "volume-number"]:
            self.assertEqual("", self.element(number).get_attribute("value"))
            self.assertEqual("unknown", self.element(number).get_attribute("placeholder"))
        self.assertEqual("effect: unknown", self.text("param-12-device"))


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
    parser.add_argument("--session-screenshot", help="the page with A/B and a comparison")
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
