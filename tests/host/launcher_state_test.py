#!/usr/bin/env python3
"""The host as POSIX launchers and terminals hand it over.

A standard input left non-blocking (by a launcher, or a crashed program on
the same terminal) is not an Enter: the host goes on until a line arrives.
And on a terminal, where the three streams share one open file, standard
output is left non-blocking too: a screen larger than what the terminal takes
at once must wait for room, not fail.

A terminal that is the host's controlling terminal, with `tostop` set, does
not stop the agent on its first write, and a launcher's ignored SIGCHLD and
SIGINT, and its blocked signals, do not reach it. Left in raw mode, where
Enter arrives as a lone carriage return, that terminal's Enter still stops
the host; a pipe's lone carriage return does not. A standard stream handed
over closed stays a closed stream: stdin at its end, stdout failing every
write.

    launcher_state_test.py <host> <simulated agent>
"""
import fcntl
import os
import pty
import select
import signal
import subprocess
import sys
import tempfile
import termios
import time
import tty

EXITED = "Agent cleared the spoof and exited. Phone is back on its real location."


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


def agent_env(agent: str, data_dir: str, mode: str, record: str) -> dict:
    env = dict(os.environ, WAYVANE_AGENT_PATH=agent, WAYVANE_GPS_DIR=data_dir, WV_SIM_MODE=mode,
               WV_SIM_RECORD=record)
    env.pop("WAYVANE_SUPERVISED", None)
    return env


def read_record(record: str) -> list:
    try:
        with open(record, encoding="utf-8", errors="replace") as f:
            return f.read().splitlines()
    except FileNotFoundError:
        return []


def on_a_raw_tostop_terminal_with_sigchld_ignored(host: str, agent: str) -> bool:
    """The terminal is the host's controlling one, the host leads its
    foreground group, and `tostop` stops any background group that writes
    to it: an agent in a group of its own on that terminal froze there. The
    terminal is in raw mode (`stty raw`), as a program that read keys from it
    and crashed leaves it: Enter is read as "\\r"."""
    master, slave = pty.openpty()
    tty.setraw(slave)
    attrs = termios.tcgetattr(slave)
    attrs[3] |= termios.TOSTOP
    termios.tcsetattr(slave, termios.TCSANOW, attrs)

    def as_a_launcher_leaves_it():
        # A new session (start_new_session) whose controlling terminal is the
        # pty, its group the foreground one; SIGCHLD ignored and a signal
        # blocked, as some daemons and launchers hand them down, and SIGINT
        # ignored, as a shell hands it to a job it starts in the background.
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)
        signal.signal(signal.SIGCHLD, signal.SIG_IGN)
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGUSR1})

    with tempfile.TemporaryDirectory() as scratch:
        record = os.path.join(scratch, "record")
        proc = subprocess.Popen([host], stdin=slave, stdout=slave, stderr=slave,
                                env=agent_env(agent, scratch, "say:hello", record),
                                start_new_session=True, preexec_fn=as_a_launcher_leaves_it)
        os.close(slave)
        seen = b""

        def read_until(text: bytes, timeout: float) -> bool:
            nonlocal seen
            deadline = time.monotonic() + timeout
            while text not in seen and time.monotonic() < deadline:
                if select.select([master], [], [], 0.1)[0]:
                    try:
                        data = os.read(master, 65536)
                    except OSError:  # the terminal's last writer has gone
                        data = b""
                    if not data:
                        break
                    seen += data
            return text in seen

        try:
            shown = read_until(b"hello (out)", 15) and read_until(b"agent: running", 15)
            # The host's own SIGCHLD is back at its default too: ignored, the
            # kernel would reap the agent before the host's waitpid saw it.
            with open(f"/proc/{proc.pid}/status") as f:
                ignored = int(next(l for l in f if l.startswith("SigIgn:")).split()[1], 16)
            host_reaps = not ignored & (1 << (signal.SIGCHLD - 1))
            os.write(master, b"\r")
            stopped = read_until(EXITED.encode(), 30)
            status = proc.wait(timeout=30)
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            os.close(master)
        lines = read_record(record)
        text = seen.decode("utf-8", "replace")
        if not (shown and stopped and status == 0):
            print(f"FAIL: on a raw tostop terminal: status {status}, output:\n{text}", file=sys.stderr)
            return False
        if not host_reaps:
            print("FAIL: the host kept the SIGCHLD its launcher ignored", file=sys.stderr)
            return False
        for expected in ("signal CHLD default", "signal PIPE default", "signal INT default", "signal blocked none"):
            if expected not in lines:
                print(f"FAIL: the agent did not start with '{expected}':\n" + "\n".join(
                    l for l in lines if l.startswith("signal ")), file=sys.stderr)
                return False
    return True


def with_standard_streams_closed(host: str, agent: str) -> bool:
    """A closed stdin is an end of input at once; a closed stdout fails the
    first write, status 101. Neither number is left free for the host's own
    files, so the agent's streams are all there too."""
    with tempfile.TemporaryDirectory() as scratch:
        record = os.path.join(scratch, "record")
        out_read, out_write = os.pipe()
        # stdin and stderr closed; closed in the child so that nothing of the
        # harness takes their numbers first.
        proc = subprocess.Popen([host], stdout=out_write, env=agent_env(agent, scratch, "wait-stdin", record),
                                preexec_fn=lambda: (os.close(0), os.close(2)))
        os.close(out_write)
        with os.fdopen(out_read, "rb") as out:
            text = out.read().decode()
        status = proc.wait(timeout=30)
        screens = text.count("agent: ")
        fds = [l for l in read_record(record) if l.startswith("fd ")]
        if status != 0 or not text.endswith(EXITED + "\n") or screens > 1:
            print(f"FAIL: stdin closed: status {status}, {screens} screens, output:\n{text}", file=sys.stderr)
            return False
        if "fd 2 -> /dev/null" not in fds:
            print("FAIL: stderr closed: the agent's descriptors:\n" + "\n".join(fds), file=sys.stderr)
            return False

        err_path = os.path.join(scratch, "stderr")
        with open(err_path, "wb") as err:
            proc = subprocess.Popen([host], stdin=subprocess.DEVNULL, stderr=err,
                                    env=agent_env(agent, scratch, "wait-stdin", record),
                                    preexec_fn=lambda: os.close(1))
            status = proc.wait(timeout=30)
        if status != 101:
            with open(err_path, encoding="utf-8", errors="replace") as f:
                print(f"FAIL: stdout closed: status {status}, stderr:\n{f.read()}", file=sys.stderr)
            return False
    return True


def main() -> int:
    host, agent = sys.argv[1], sys.argv[2]
    for check in (large_screen_on_a_nonblocking_stdout, on_a_raw_tostop_terminal_with_sigchld_ignored,
                  with_standard_streams_closed):
        if not check(host, agent):
            return 1
    with tempfile.TemporaryDirectory() as data_dir:
        read_end, write_end = os.pipe()
        os.set_blocking(read_end, False)
        env = dict(os.environ, WAYVANE_AGENT_PATH=agent, WAYVANE_GPS_DIR=data_dir, WV_SIM_MODE="wait-stdin")
        env.pop("WAYVANE_SUPERVISED", None)
        proc = subprocess.Popen([host], stdin=read_end, stdout=subprocess.PIPE, env=env)
        os.close(read_end)
        # Three polls, each of which would have taken "nothing to read yet" for
        # the end; a pipe's lone carriage return is no Enter.
        os.write(write_end, b"\r")
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
    print("ok: a non-blocking stdin waited for its line, a non-blocking stdout for room; the agent ran free "
          "on a raw tostop terminal, whose Enter stopped the host; closed streams stayed closed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
