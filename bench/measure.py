#!/usr/bin/env python3
"""Runs a command and prints "SECONDS PEAK-KB": the wall time and the largest
high-water mark of resident memory (VmHWM) of the processes whose program is
PROGRAM. Wine starts a Windows program in a process of its own, away from the
command's process tree, so rusage does not see it; /proc does.

    measure.py RESULT-FILE PROGRAM -- COMMAND...
(the command's output goes to this program's stdout and stderr)
"""
import os
import subprocess
import sys
import time


def program_pids(name):
    name = name.lower()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                argv0 = f.read().split(b"\0")[0].decode("latin-1").lower()
        except OSError:
            continue
        if argv0.replace("\\", "/").endswith("/" + name) or argv0 == name:
            yield int(entry)


def high_water_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def main():
    result, program, command = sys.argv[1], sys.argv[2], sys.argv[4:]
    before = set(program_pids(program))
    start = time.monotonic()
    child = subprocess.Popen(command)
    peak, seen, polls = 0, set(), 0
    while child.poll() is None:
        # Look for new processes often until the program shows, then rarely.
        if not seen or polls % 20 == 0:
            seen.update(p for p in program_pids(program) if p not in before)
        for pid in seen:
            peak = max(peak, high_water_kb(pid))
        polls += 1
        time.sleep(0.01)
    seconds = time.monotonic() - start
    with open(result, "w") as f:
        f.write("%.3f %d\n" % (seconds, peak))
    sys.exit(child.returncode)


if __name__ == "__main__":
    main()
