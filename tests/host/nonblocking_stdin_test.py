#!/usr/bin/env python3
"""A standard input left non-blocking (by a launcher, or a crashed program on
the same terminal) is not an Enter: the host goes on until a line arrives.
And on a terminal, where the three streams share one open file, standard
output is left non-blocking too: a screen larger than what the terminal takes
at once must wait for room, not fail.

    nonblocking_stdin_test.py <host> <simulated agent>
"""
import os
import subprocess
import sys
import tempfile
import time


def publish_many_devices(data_dir: str, count: int) -> None:
    """Enough devices that one screen is several times a pipe's buffer."""
    udids = [f"phone-{i:05}" for i in range(count)]
    for udid in udids:
        os.makedirs(os.path.join(data_dir, "devices", udid))
        with open(os.path.join(data_dir, "devices", udid, "status.json"), "w") as f:
            f.write('{"version":1,"agent_version":"t","udid":"%s","updated_at":%d,"connected":true,'
                    '"session":"idle","remediation":"%s","transport":"usb"}' % (udid, int(time.time()) + 3600, "r" * 200))
    with open(os.path.join(data_dir, "devices.json"), "w") as f:
        f.write('{"devices":[' + ",".join('{"udid":"%s"}' % u for u in udids) + "]}")


def large_screen_on_a_nonblocking_stdout(host: str, agent: str) -> bool:
    with tempfile.TemporaryDirectory() as data_dir:
        publish_many_devices(data_dir, 2000)
        out_read, out_write = os.pipe()
        os.set_blocking(out_write, False)
        env = dict(os.environ, WAYVANE_AGENT_PATH=agent, WAYVANE_GPS_DIR=data_dir, WV_SIM_MODE="wait-stdin")
        env.pop("WAYVANE_SUPERVISED", None)
        proc = subprocess.Popen([host], stdin=subprocess.PIPE, stdout=out_write, env=env)
        os.close(out_write)
        # Nothing is read for a while: the pipe fills and the host must wait.
        time.sleep(2)
        try:
            proc.stdin.write(b"\n")
            proc.stdin.close()
        except BrokenPipeError:
            pass  # the host has already gone; its status says why
        chunks = []
        while chunk := os.read(out_read, 1 << 16):
            chunks.append(chunk)
        os.close(out_read)
        proc.wait(timeout=30)
        text = b"".join(chunks).decode()
        # Each device shows its remediation on a line of its own.
        if proc.returncode != 0 or text.count("-> " + "r" * 200) < 2000 or "Agent cleared the spoof" not in text:
            print(f"FAIL: a full non-blocking stdout: status {proc.returncode}, {len(text)} bytes out",
                  file=sys.stderr)
            return False
    return True


def main() -> int:
    host, agent = sys.argv[1], sys.argv[2]
    if not large_screen_on_a_nonblocking_stdout(host, agent):
        return 1
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
    print("ok: a non-blocking stdin waited for its line, a non-blocking stdout for room")
    return 0


if __name__ == "__main__":
    sys.exit(main())
