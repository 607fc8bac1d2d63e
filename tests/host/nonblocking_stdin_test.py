#!/usr/bin/env python3
"""A standard input left non-blocking (by a launcher, or a crashed program on
the same terminal) is not an Enter: the host goes on until a line arrives.

    nonblocking_stdin_test.py <host> <simulated agent>
"""
import os
import subprocess
import sys
import tempfile
import time


def main() -> int:
    host, agent = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as data_dir:
        read_end, write_end = os.pipe()
        os.set_blocking(read_end, False)
        env = dict(os.environ, WAYVANE_AGENT_PATH=agent, WAYVANE_GPS_DIR=data_dir, WV_SIM_MODE="wait-stdin")
        env.pop("WAYVANE_SUPERVISED", None)
        proc = subprocess.Popen([host], stdin=read_end, stdout=subprocess.PIPE, env=env)
        os.close(read_end)
        # Three polls, each of which would have taken "nothing to read yet" for the end.
        time.sleep(3)
        if proc.poll() is not None:
            print("FAIL: the host stopped with no line typed:\n" + proc.stdout.read().decode(), file=sys.stderr)
            return 1
        os.write(write_end, b"\n")
        out, _ = proc.communicate(timeout=30)
        os.close(write_end)
        text = out.decode()
        if proc.returncode != 0 or "Stopping \u2014" not in text or "Agent cleared the spoof" not in text:
            print(f"FAIL: status {proc.returncode}, output:\n{text}", file=sys.stderr)
            return 1
    print("ok: a non-blocking stdin waited for its line")
    return 0


if __name__ == "__main__":
    sys.exit(main())
