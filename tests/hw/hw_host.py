#!/usr/bin/env python3
"""Host side of scripts/hw-test: boots the test machine in QEMU with an emulated 16550 UART and an
emulated FTDI USB adapter, wires each to a simulated controller (esc-sim --connect), answers the
guest program's sync requests (marks, unplug and re-plug through QMP, register comparisons), then
checks the frames each controller received and the line changes in QEMU's trace, and prints a
summary per device. Exit status 0 only when every check passed."""

import argparse
import json
import os
import re
import signal
import socket
import subprocess
import sys
import threading
import time

BOOT_AND_RUN_LIMIT = 150  # seconds for one run of the machine (it takes about a minute)
UNPLUG_DELAY = {"read-unplug": 1.5, "write-unplug": 2.5}  # seconds after the command starts
UNPLUG_RETURN_LIMIT = 1.0
TRACE_EVENTS = ["usb_serial_handle_control", "usb_serial_set_baud", "usb_serial_set_data",
                "serial_update_parameters", "serial_write"]


class Failures:
    def __init__(self):
        self.items = []

    def add(self, dev, name, detail):
        self.items.append(f"{dev} {name}: {detail}")


class LineReader(threading.Thread):
    """Collects the lines of a pipe with the time each arrived; calls on_line for each."""

    def __init__(self, stream, on_line=None, log=None):
        super().__init__(daemon=True)
        self.stream, self.on_line, self.log = stream, on_line, log
        self.lines = []
        self.cond = threading.Condition()

    def run(self):
        for raw in self.stream:
            line = raw.decode("latin-1").rstrip("\r\n")
            if self.log:
                self.log.write(line + "\n")
                self.log.flush()
            with self.cond:
                self.lines.append((time.monotonic(), line))
                self.cond.notify_all()
            if self.on_line:
                self.on_line(line)

    def wait_for(self, pattern, start, timeout):
        """The first line from index `start` on that matches, or None after `timeout` seconds."""
        end = time.monotonic() + timeout
        with self.cond:
            while True:
                for _, line in self.lines[start:]:
                    if re.match(pattern, line):
                        return line
                left = end - time.monotonic()
                if left <= 0:
                    return None
                self.cond.wait(left)


class Qmp:
    """A QMP connection: commands in order, events kept for waiting."""

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.file = self.sock.makefile("rwb")
        self.events = []
        self._read()  # greeting
        self.command("qmp_capabilities")

    def _read(self):
        line = self.file.readline()
        if not line:
            raise RuntimeError("QMP connection closed")
        return json.loads(line)

    def command(self, name, **arguments):
        msg = {"execute": name}
        if arguments:
            msg["arguments"] = arguments
        self.file.write(json.dumps(msg).encode() + b"\n")
        self.file.flush()
        while True:
            reply = self._read()
            if "event" in reply:
                self.events.append(reply)
            elif "error" in reply:
                raise RuntimeError(f"QMP {name}: {reply['error'].get('desc')}")
            else:
                return reply.get("return")

    def wait_event(self, name, timeout):
        self.sock.settimeout(timeout)
        try:
            while not any(e["event"] == name for e in self.events):
                self.events.append(self._read())
        except (socket.timeout, OSError):
            return False
        finally:
            self.sock.settimeout(None)
        self.events = [e for e in self.events if e["event"] != name]
        return True


class Run:
    def __init__(self, args):
        self.args = args
        self.work = os.path.join(args.work, "run")
        os.makedirs(self.work, exist_ok=True)
        self.path = {n: os.path.join(self.work, n) for n in ("uart.sock", "usb.sock", "qmp.sock", "trace.log")}
        for p in self.path.values():
            if os.path.exists(p):
                os.unlink(p)
        self.failures = Failures()
        self.marks = {}      # (dev, label) -> [trace offset at begin, at end]
        self.frames = {"uart": [], "usb": []}  # [(label, expected bytes)] in the order sent
        self.results = {}    # dev -> {key: value}
        self.checks = []     # (dev, name, ok, detail) from the guest
        self.unplug_at = {}  # label -> monotonic time the unplug was done
        self.returns = {}    # label -> seconds from the unplug to the command's end mark
        self.done = None
        self.lock = threading.Lock()
        self.qmp_lock = threading.Lock()  # the console's thread and the unplug timer both use QMP

    # --- processes
    def start(self):
        cmd = ["qemu-system-x86_64", "-accel", "tcg", "-m", "256", "-smp", "1", "-nodefaults",
               "-no-user-config", "-nographic", "-no-reboot",
               "-kernel", self.args.kernel, "-initrd", self.args.initrd,
               "-append", "console=ttyS0 quiet loglevel=1 panic=-1",
               "-chardev", "stdio,id=con,signal=off", "-serial", "chardev:con",
               "-chardev", f"socket,id=uart,path={self.path['uart.sock']},server=on,wait=off",
               "-serial", "chardev:uart",
               "-chardev", f"socket,id=usb,path={self.path['usb.sock']},server=on,wait=off",
               "-device", "qemu-xhci,id=xhci", "-device", "usb-serial,id=ftdi,bus=xhci.0,chardev=usb",
               "-qmp", f"unix:{self.path['qmp.sock']},server=on,wait=off",
               "-D", self.path["trace.log"]]
        for event in TRACE_EVENTS:
            cmd += ["-trace", f"enable={event}"]
        # One core of the machine: the emulation shares it with the other work.
        cpu = max(os.sched_getaffinity(0))
        self.qemu = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=open(os.path.join(self.work, "qemu.err"), "wb"),
                                     preexec_fn=lambda: os.sched_setaffinity(0, {cpu}))
        deadline = time.monotonic() + 20
        while not all(os.path.exists(self.path[n]) for n in ("uart.sock", "usb.sock", "qmp.sock")):
            if time.monotonic() > deadline or self.qemu.poll() is not None:
                raise RuntimeError("QEMU did not start; see " + os.path.join(self.work, "qemu.err"))
            time.sleep(0.05)
        self.qmp = Qmp(self.path["qmp.sock"])
        self.sims, self.sim_out, self.sim_err = {}, {}, {}
        for dev in ("uart", "usb"):
            sim = subprocess.Popen([self.args.esc_sim, "--connect", self.path[f"{dev}.sock"], "--verbose"],
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            self.sims[dev] = sim
            self.sim_out[dev] = LineReader(sim.stdout)
            self.sim_err[dev] = LineReader(sim.stderr)
            self.sim_out[dev].start()
            self.sim_err[dev].start()
        self.console = LineReader(self.qemu.stdout, self.on_console, open(os.path.join(self.work, "console.log"), "w"))
        self.console.start()

    def stop(self):
        if self.qemu.poll() is None:
            self.qemu.kill()
        self.qemu.wait()
        for sim in self.sims.values():
            sim.send_signal(signal.SIGTERM)
            sim.wait()
        for dev in self.sims:
            self.sim_err[dev].join(2)

    def answer(self, text="go"):
        self.qemu.stdin.write(text.encode() + b"\n")
        self.qemu.stdin.flush()

    def trace_size(self):
        return os.path.getsize(self.path["trace.log"]) if os.path.exists(self.path["trace.log"]) else 0

    # --- the guest's messages
    def on_console(self, line):
        at = line.find("@@ ")  # the first message may follow the firmware's screen codes
        if at < 0:
            return
        words = line[at + 3:].split(" ")
        try:
            if words[0] == "sync":
                self.on_sync(words[1:])
                self.answer()
            elif words[0] == "frames":
                self.frames[words[1]].append((words[2], bytes.fromhex(words[3])))
            elif words[0] == "check":
                self.checks.append((words[1], words[2], words[3] == "ok", " ".join(words[4:])))
            elif words[0] == "result":
                self.results.setdefault(words[1], {})[words[2]] = " ".join(words[3:])
            elif words[0] in ("done", "exit", "fatal"):
                if words[0] == "fatal":
                    self.failures.add("guest", "fatal", " ".join(words[1:]))
                if words[0] == "exit":
                    self.done = int(words[1])
        except Exception as e:  # a host-side failure must not hang the guest
            self.failures.add("host", words[0], f"{type(e).__name__}: {e}")
            if words[0] == "sync":
                self.answer("fail")

    def on_sync(self, words):
        kind, dev = words[0], words[1]
        if kind == "begin":
            self.marks[(dev, words[2])] = [self.trace_size(), None]
            if words[2] in UNPLUG_DELAY:
                threading.Thread(target=self.unplug_later, args=(words[2],), daemon=True).start()
        elif kind == "end":
            self.marks[(dev, words[2])][1] = self.trace_size()
            if words[2] in UNPLUG_DELAY:
                with self.lock:
                    at = self.unplug_at.get(words[2])
                if at is None:
                    self.failures.add(dev, words[2], "the command ended before the unplug")
                else:
                    self.returns[words[2]] = time.monotonic() - at
        elif kind == "regs":
            self.compare_registers(dev, words[2:])
        elif kind == "unplug":
            self.unplug()
        elif kind == "replug":
            with self.qmp_lock:
                self.qmp.command("device_add", driver="usb-serial", id="ftdi", bus="xhci.0", chardev="usb")

    def unplug(self, label=None):
        with self.qmp_lock:
            self.qmp.command("device_del", id="ftdi")
            if label:
                with self.lock:
                    self.unplug_at[label] = time.monotonic()
            if not self.qmp.wait_event("DEVICE_DELETED", 5):
                self.failures.add("usb", "unplug", "no DEVICE_DELETED within 5 s")

    def unplug_later(self, label):
        time.sleep(UNPLUG_DELAY[label])
        try:
            self.unplug(label)
        except (OSError, RuntimeError) as e:
            self.failures.add("usb", label, f"unplug: {type(e).__name__}: {e}")

    def compare_registers(self, dev, pairs):
        reader = self.sim_out[dev]
        start = len(reader.lines)
        self.sims[dev].send_signal(signal.SIGUSR1)
        line = reader.wait_for(r"registers [0-9a-f]{512}$", start, 5)
        if line is None:
            self.failures.add(dev, "registers", "esc-sim printed no registers")
            return
        regs = bytes.fromhex(line.split()[1])
        wrong = [p for p in pairs if regs[int(p.split(":")[0])] != int(p.split(":")[1])]
        ok = not wrong
        self.checks.append((dev, "registers", ok, f"{len(pairs) - len(wrong)} of {len(pairs)} registers as written"
                            + ("" if ok else ", differ: " + " ".join(wrong[:8]))))

    # --- after the run
    def sim_frames(self, dev):
        """The frames the simulator received, as bytes, one command per item: every command starts
        with the probe's write of 170 into register 20."""
        commands = []
        for _, line in self.sim_err[dev].lines:
            m = re.match(r"([wr])\s+(\d+)\s+(\d+)", line)
            if not m:
                continue
            cmd, reg, value = m.group(1), int(m.group(2)), int(m.group(3))
            frame = bytes([ord(cmd), reg] + ([value] if cmd == "w" else []))
            if cmd == "w" and reg == 20 and value == 170 or not commands:
                commands.append(b"")
            commands[-1] += frame
        return commands

    def check_frames(self, dev):
        got = self.sim_frames(dev)
        expected = self.frames[dev]
        summary = []
        if len(got) != len(expected):
            self.failures.add(dev, "frames", f"{len(got)} commands reached the controller, {len(expected)} were run")
        for (label, want), have in zip(expected, got):
            cut = label in UNPLUG_DELAY
            ok = want.startswith(have) and len(have) > 0 if cut else have == want
            if not ok:
                at = next((i for i in range(min(len(have), len(want))) if have[i] != want[i]), min(len(have), len(want)))
                self.failures.add(dev, f"{label}-frames", f"{len(have)} bytes received, {len(want)} sent; "
                                  f"first difference at byte {at}")
            summary.append(f"{label} {len(have)}/{len(want)} bytes{' (cut by the unplug)' if cut else ''}"
                           f"{'' if ok else ' WRONG'}")
        return summary


def read_trace(path, begin, end):
    with open(path, "rb") as f:
        f.seek(begin)
        return f.read(end - begin).decode("latin-1").splitlines()


def line_states(lines, dev):
    """The DTR and RTS states the trace shows, in order, and the last line format set."""
    states, fmt = [], None
    dtr = rts = None
    for line in lines:
        if dev == "uart":
            m = re.search(r"serial_write.*addr 0x0*4 val 0x([0-9a-f]+)", line)
            if m:
                v = int(m.group(1), 16)
                dtr, rts = v & 1, (v >> 1) & 1
                states.append((dtr, rts))
            m = re.search(r"serial_update_parameters.*baudrate=(\d+).*parity='(\w)'.*data=(\d+).*stop=(\d+)", line)
            if m:
                fmt = (int(m.group(1)), m.group(3) + m.group(2) + m.group(4))
        else:
            m = re.search(r"usb_serial_handle_control.*control 0x4001, value 0x([0-9a-f]+)", line)
            if m:
                v = int(m.group(1), 16)
                if v & 0x100:
                    dtr = v & 1
                if v & 0x200:
                    rts = (v >> 1) & 1
                states.append((dtr, rts))
            m = re.search(r"usb_serial_set_baud.*baud rate (\d+)", line)
            if m:
                fmt = (int(m.group(1)), fmt[1] if fmt else "?")
            m = re.search(r"usb_serial_set_data.*parity (\w), data bits (\d+), stop bits (\d+)", line)
            if m:
                fmt = (fmt[0] if fmt else 0, m.group(2) + m.group(1) + m.group(3))
    collapsed = [s for i, s in enumerate(states) if i == 0 or s != states[i - 1]]
    return collapsed, fmt


def state_text(states):
    return " ".join(f"{'D' if d else 'd'}{'R' if r else 'r'}" for d, r in states)


def check_lines(run, dev, label):
    """At the command's start the lines are lowered, then DTR rises, then RTS; at its end both are
    lowered; the line runs at 19200 8N1."""
    begin, end = run.marks.get((dev, label), [0, None])
    if end is None:
        run.failures.add(dev, f"{label}-lines", "the command has no end mark")
        return "?"
    states, fmt = line_states(read_trace(run.path["trace.log"], begin, end), dev)
    start_ok = any(states[i:i + 3] == [(0, 0), (1, 0), (1, 1)] for i in range(len(states)))
    end_ok = bool(states) and states[-1] == (0, 0)
    fmt_ok = fmt == (19200, "8N1")
    if not start_ok:
        run.failures.add(dev, f"{label}-lines", f"no lowered, DTR, RTS at the start: {state_text(states)}")
    if not end_ok:
        run.failures.add(dev, f"{label}-lines", f"lines not lowered at the end: {state_text(states)}")
    if not fmt_ok:
        run.failures.add(dev, f"{label}-format", f"line format {fmt}")
    return f"{state_text(states)} at {fmt[0] if fmt else '?'} {fmt[1] if fmt else ''}"


def summary(run, dev, lines_checked):
    res = run.results.get(dev, {})
    out = [f"== {dev}"]
    out += ["   frames: " + s for s in run.check_frames(dev)]
    out.append("   time to the floor of its 99 or 195 pauses as the machine takes them (to 40 ms pauses; one pause):")
    for k, v in res.items():
        if k.endswith("-ratio"):
            ratio, raw, pause = v.split()
            out.append(f"      {k[:-6]} {ratio} ({raw}; {pause} ms)")
    out += [f"   registers: {detail}" for d, name, ok, detail in run.checks if d == dev and name == "registers"]
    out += [f"   lines {label} (d/D DTR, r/R RTS): {text}" for label, text in lines_checked]
    for label in UNPLUG_DELAY:
        if f"{label}-return" in res:
            ret, closed = res[f"{label}-return"].split()
            cpu, over = res[f"{label}-cpu"].split()
            host = run.returns.get(label)
            out.append(f"   {label}: returned {float(ret) * 1000:.0f} ms after the node went (closed after "
                       f"{float(closed) * 1000:.0f} ms; {host * 1000:.0f} ms from device_del to the end mark), "
                       f"CPU {cpu} ms over the {over} ms rest, re-plugged as {res.get(label + '-replug', '?')}")
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--kernel", required=True)
    ap.add_argument("--initrd", required=True)
    ap.add_argument("--esc-sim", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--kernel-name", default="")
    args = ap.parse_args()

    started = time.monotonic()
    # QEMU 7.2 has been seen to crash (SIGSEGV) now and then on a device_del during a transfer.
    # That is the emulator's fault, not the program's: the machine is run once more.
    crashes = []
    for attempt in range(2):
        run = Run(args)
        run.start()
        try:
            run.qemu.wait(timeout=BOOT_AND_RUN_LIMIT)
        except subprocess.TimeoutExpired:
            run.failures.add("host", "time", f"the machine did not finish within {BOOT_AND_RUN_LIMIT} s")
        crashed = run.qemu.poll() is not None and run.qemu.returncode < 0
        run.stop()
        run.console.join(2)
        if not crashed or attempt == 1:
            break
        crashes.append(f"QEMU ended by signal {-run.qemu.returncode} after {time.monotonic() - started:.0f} s; "
                       "the machine was run again")
    for (dev, label) in run.marks:
        if label in UNPLUG_DELAY and label not in run.returns:
            continue
        if label in UNPLUG_DELAY and run.returns[label] > UNPLUG_RETURN_LIMIT:
            run.failures.add(dev, label, f"ended {run.returns[label]:.3f} s after device_del")
    for dev, name, ok, detail in run.checks:
        if not ok:
            run.failures.add(dev, name, detail)
    if run.done is None:
        run.failures.add("guest", "exit", "the test program did not finish; see " + os.path.join(run.work, "console.log"))

    print(f"hw-test: {args.kernel_name} in QEMU (TCG, one core), {time.monotonic() - started:.1f} s")
    for line in crashes:
        print("   " + line)
    print("   ports listed: " + run.results.get("all", {}).get("ports", "?"))
    for dev in ("uart", "usb"):
        checked = [(label, check_lines(run, d, label)) for (d, label) in run.marks
                   if d == dev and label not in UNPLUG_DELAY]
        for line in summary(run, dev, checked):
            print(line)
    passed = sum(1 for c in run.checks if c[2])
    print(f"   {passed} of {len(run.checks)} guest checks passed")
    if run.failures.items:
        print("hw-test FAILED:")
        for f in run.failures.items:
            print("   " + f)
        return 1
    print("hw-test passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
