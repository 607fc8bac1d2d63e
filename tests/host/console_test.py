#!/usr/bin/env python3
"""The Windows host on a real console, as a user runs it, under Wine.

Wine gives a program whose standard streams are a terminal a real console of
its own, drawn on that terminal. There the agent, which has no console that
shows, reaches the screen only through the host's copy of its output; where
the host's stream is a pipe, the agent writes to that pipe itself.

Usage: console_test.py <wine-run script> <build directory>
"""

import fcntl
import json
import os
import pty
import re
import select
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest

WINE_RUN = sys.argv[1] if len(sys.argv) > 2 else None
BUILD_DIR = sys.argv[2] if len(sys.argv) > 2 else None

# Generous: a first start of a Wine program can take seconds on a busy machine.
TIMEOUT = 60

SAY = "Agent says h\u00e9llo \u2014 ok"
SCREEN = [
    "agent: running",
    "  " + "Ana\u2019s iPhone".ljust(24) + " Spoofing / Usb",
    "      -> Keep the phone unlocked.",
]
STOPPING = "Stopping \u2014 closing the agent's stdin so it clears the spoof before exiting\u2026"
EXITED = "Agent cleared the spoof and exited. Phone is back on its real location."
PRESS_ENTER_TO_CLOSE = "Press Enter to close this window."

# What the console's drawing adds around the text: control sequences, and a
# carriage return before every line feed.
CONTROL = re.compile(r"\x1b\[[0-9;?]*[A-Za-z]|\r")


def windows_path(path):
    # Wine's prefixes map the root of the file system to drive Z:.
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def lines_of(raw):
    return CONTROL.sub("", raw.decode("utf-8", "replace")).split("\n")


def publish_one_device(data_dir):
    udid = "00008110-000000000001"
    status = {
        "version": 1, "agent_version": "t", "udid": udid, "updated_at": int(time.time()) + 3600,
        "connected": True, "device": {"name": "Ana\u2019s iPhone", "product_type": "iPhone15,2", "ios_version": "17.5"},
        "session": "spoofing", "remediation": "Keep the phone unlocked.", "transport": "usb",
    }
    os.makedirs(os.path.join(data_dir, "devices", udid))
    with open(os.path.join(data_dir, "devices", udid, "status.json"), "w", encoding="utf-8") as f:
        json.dump(status, f)
    with open(os.path.join(data_dir, "devices.json"), "w", encoding="utf-8") as f:
        json.dump({"version": 1, "agent_version": "t", "devices": [{"udid": udid, "name": "Ana\u2019s iPhone"}]}, f)


class Run:
    """One host under Wine, its input a terminal; its output the terminal too,
    or a pipe when asked."""

    def __init__(self, data_dir, record, stdout_on_pipe):
        self.master, slave = pty.openpty()
        # Wide enough that no line of the screen wraps.
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 40, 160, 0, 0))
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8", TERM="xterm",
                   WAYVANE_AGENT_PATH=windows_path(os.path.join(BUILD_DIR, "wayvane-gps-agent-sim.exe")),
                   WAYVANE_GPS_DIR=windows_path(data_dir), WV_SIM_MODE="say:" + SAY,
                   WV_SIM_RECORD=windows_path(record))
        env.setdefault("WINEPREFIX", os.path.join(BUILD_DIR, "wine-prefix"))
        self.proc = subprocess.Popen(
            [WINE_RUN, os.path.join(BUILD_DIR, "wayvane-gps.exe")], cwd=BUILD_DIR, env=env,
            stdin=slave, stdout=subprocess.PIPE if stdout_on_pipe else slave, stderr=slave,
            start_new_session=True)
        os.close(slave)
        self.sources = {self.master: b""}
        if stdout_on_pipe:
            self.sources[self.proc.stdout.fileno()] = b""
        self.open = set(self.sources)

    def terminal(self):
        return lines_of(self.sources[self.master])

    def pipe(self):
        return lines_of(self.sources[self.proc.stdout.fileno()])

    def read_until(self, done, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while not done():
            left = deadline - time.monotonic()
            if left <= 0 or not self.open:
                return False
            for fd in select.select(list(self.open), [], [], min(left, 0.2))[0]:
                try:
                    data = os.read(fd, 65536)
                except OSError:  # a terminal whose last writer has gone
                    data = b""
                if data:
                    self.sources[fd] += data
                else:
                    self.open.discard(fd)
        return True

    def kill_host(self):
        # Wine runs the host in the process it was started as.
        os.kill(self.proc.pid, signal.SIGKILL)
        self.proc.wait()

    def press_enter(self):
        os.write(self.master, b"\r")

    def stop(self):
        """Enter, then Enter again at the prompt that keeps a console window
        of the host's own open: a terminal is one to Wine, since no Windows
        process shares it."""
        self.press_enter()
        prompt = lambda: PRESS_ENTER_TO_CLOSE in self.terminal()
        held = self.read_until(prompt) and self.proc.poll() is None
        self.press_enter()
        return held

    def wait_exit(self):
        try:
            status = self.proc.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            return None
        # Whatever was drawn last.
        self.read_until(lambda: False, timeout=1)
        return status

    def close(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait()
        if self.proc.stdout:
            self.proc.stdout.close()
        os.close(self.master)


def first_index(lines, text):
    return lines.index(text) if text in lines else -1


class ConsoleTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.addCleanup(self.scratch.cleanup)
        self.data_dir = os.path.join(self.scratch.name, "data")
        self.record = os.path.join(self.scratch.name, "agent-record")
        publish_one_device(self.data_dir)

    def start(self, stdout_on_pipe):
        run = Run(self.data_dir, self.record, stdout_on_pipe)
        self.addCleanup(run.close)
        return run

    def assert_screen_whole(self, lines):
        at = first_index(lines, SCREEN[0])
        self.assertGreaterEqual(at, 0, "no screen:\n" + "\n".join(lines))
        self.assertEqual(lines[at:at + len(SCREEN)], SCREEN, "the screen was split:\n" + "\n".join(lines))

    def test_on_a_console_the_agents_text_shows_between_whole_screens(self):
        run = self.start(stdout_on_pipe=False)
        seen = lambda: all(t in run.terminal() for t in (SCREEN[-1], SAY + " (out)", SAY + " (err)"))
        self.assertTrue(run.read_until(seen), "\n".join(run.terminal()))
        self.assertTrue(run.stop(), "the window closed on the outcome:\n" + "\n".join(run.terminal()))
        self.assertEqual(run.wait_exit(), 0, "\n".join(run.terminal()))

        lines = run.terminal()
        self.assert_screen_whole(lines)
        # What the agent says while it stops is on the console before the
        # outcome, and the prompt after it.
        order = [first_index(lines, t) for t in (STOPPING, SAY + " (done)", EXITED, PRESS_ENTER_TO_CLOSE)]
        self.assertTrue(0 <= order[0] < order[1] < order[2] < order[3], "\n".join(lines))

    def test_with_the_output_on_a_pipe_the_agent_writes_to_the_pipe_itself(self):
        run = self.start(stdout_on_pipe=True)
        seen = lambda: SCREEN[-1] in run.pipe() and SAY + " (out)" in run.pipe()
        self.assertTrue(run.read_until(seen), "\n".join(run.pipe()))
        # Standard error is still the console: what the agent writes there is copied.
        self.assertTrue(run.read_until(lambda: SAY + " (err)" in run.terminal()), "\n".join(run.terminal()))
        self.assertTrue(run.stop(), "the window closed on the outcome:\n" + "\n".join(run.terminal()))
        self.assertEqual(run.wait_exit(), 0, "\n".join(run.terminal()))

        lines = run.pipe()
        self.assert_screen_whole(lines)
        order = [first_index(lines, t) for t in (STOPPING, SAY + " (done)", EXITED)]
        self.assertTrue(0 <= order[0] < order[1] < order[2], "\n".join(lines))
        self.assertNotIn(SAY + " (out)", run.terminal(), "stdout was copied to the console")

    def test_once_the_host_is_killed_the_agents_writes_neither_fail_nor_block(self):
        run = self.start(stdout_on_pipe=False)
        self.assertTrue(run.read_until(lambda: SAY + " (err)" in run.terminal()), "\n".join(run.terminal()))
        run.kill_host()
        # Its input ends with the host, and nobody copies its output any more:
        # it must still be able to say its last words and finish.
        deadline = time.monotonic() + TIMEOUT
        while not self.agent_recorded("said") and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertTrue(self.agent_recorded("stdin-end"))
        self.assertTrue(self.agent_recorded("said"), "the agent's last write failed or blocked")

    def agent_recorded(self, line):
        try:
            with open(self.record, encoding="utf-8", errors="replace") as f:
                return line in f.read().splitlines()
        except FileNotFoundError:
            return False


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
