#!/usr/bin/env python3
"""Writes a recording of its own (an independent writer of the file layout), runs the built
`gripline analyze` on it, plain and with --advice, and checks the report's shape. With
--emulator the tool under test is the Windows build run under Wine, and its bytes must equal
the native build's (--native) exactly: the report is the same text on every build. A file
the reader refuses must give its message on stderr and exit code 1.

usage: analyze_compare.py --gripline EXE [--emulator WRAPPER] [--native EXE]
"""
import argparse
import math
import os
import struct
import subprocess
import sys
import tempfile

failures = []


def check(ok, message):
    if not ok:
        failures.append(message)
        print("FAIL: " + message, file=sys.stderr)
    return ok


def header(version=2):
    text = lambda s: s.encode("utf-8").ljust(64, b"\0")
    return struct.pack("<8sIIIIQ64s64s64s6i5fif104x", b"KVTREC1\0", version, 380, 88, 60,
                       1767225600000, text("formulair04"), text("Test Dr\u00efver"), text("Race"),
                       65, 35, 45, 50, 60, 110,
                       44.0, 110.0, 1.0, 0.0349, 9.5, 0, 0.05)


def sample(i):
    """A drive of steady corners both ways at varied speeds, with some clipping, ABS, kerbs
    and a crash, so that every line of the report has a number to print."""
    t = i * 16667
    speed = 12.0 + 40.0 * ((i * 29) % 89) / 88.0
    side = 1.0 if i % 2 else -1.0
    u = 0.3 + 1.0 * ((i * 37) % 101) / 100.0
    v = 0.04 + 0.3 * ((i * 53) % 97) / 96.0
    yaw = side * u / 40.0 * speed
    lat = side * v * 90.0
    steer = side * (1.1 * u + 0.85 * v + 0.02 + (0.3 if i % 10 == 3 else 0.0))
    final = 22.0 * math.sin(i * 0.01)
    return struct.pack("<Qi17f3B5x", t, 5000 + i, speed, steer, 3.0 * math.sin(i * 0.02), speed,
                       0.1, 0.5 * math.cos(i * 0.003), lat, yaw, 0.01, 0.4 if i % 7 == 0 else 0.0,
                       0.7 * final, 2.5 * math.sin(i * 0.05), 1.3 * math.sin(i * 0.7),
                       0.1, final, 40.0 / 1.3, 0.5 if 400 <= i < 430 else 1.0,
                       1 if abs(final) > 21.9 else 0, 1 if i % 61 == 0 else 0,
                       1 if i % 333 == 0 else 0)


def run(command):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=dict(os.environ, LC_ALL="C.UTF-8"), timeout=120)
    return result.returncode, result.stdout, result.stderr.decode("utf-8", "replace")


class Tool:
    def __init__(self, exe, emulator=None):
        self.prefix = [emulator, exe] if emulator else [exe]
        self.windows = bool(emulator)

    def analyze(self, file, *options):
        file = os.path.abspath(file)
        if self.windows:
            file = "Z:" + file.replace("/", "\\")  # Wine maps the Unix root to drive Z:
        return run(self.prefix + ["analyze", file] + list(options))


def check_report(label, code, out, err):
    if not check(code == 0, "%s: exit code %d, stderr %r" % (label, code, err)):
        return
    check(err == "", "%s: unexpected stderr %r" % (label, err))
    lines = out.split(b"\r\n")
    check(b"\n" not in out.replace(b"\r\n", b""), "%s: a line ends without CR LF" % label)
    check(lines[0] == b"SESSION" and lines[-1] == b"", "%s: not a whole report" % label)
    check(b"Driver: Test Dr\xc3\xafver" in lines, "%s: driver name is not UTF-8" % label)
    check(any(l.startswith(b"Confidence: ") for l in lines), "%s: no fitted coefficients" % label)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--gripline", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--native")
    args = parser.parse_args()
    tool = Tool(args.gripline, args.emulator)
    native = Tool(args.native) if args.native and os.path.exists(args.native) else None

    with tempfile.TemporaryDirectory() as tmp:
        drive = os.path.join(tmp, "drive.kvtrec")
        with open(drive, "wb") as f:
            f.write(header())
            for i in range(3000):
                f.write(sample(i))
            f.write(b"\x11" * 50)  # a sample cut short at the end is ignored

        code, report, err = tool.analyze(drive)
        check_report("report", code, report, err)
        code, advice, err = tool.analyze(drive, "--advice")
        check(code == 0 and advice.startswith(b"{\"ProfileName\": \"Race\", \"CarName\": "
                                              b"\"formulair04\", ") and advice.endswith(b"}\n"),
              "advice: %d %r %r" % (code, advice, err))
        if native:
            for options, got in (((), report), (("--advice",), advice)):
                _, want, _ = native.analyze(drive, *options)
                check(got == want, "analyze %s differs from the native build's:\n%s\n---\n%s"
                      % (" ".join(options), got.decode(), want.decode()))

        empty = os.path.join(tmp, "empty.kvtrec")
        with open(empty, "wb") as f:
            f.write(header() + b"\0" * 87)
        code, out, err = tool.analyze(empty)
        check(code == 1 and out == b"" and
              err.replace("\r\n", "\n") == "gripline: The recording contains no telemetry samples.\n",
              "refused recording: %d %r %r" % (code, out, err))

    print("analyze: %d failure(s)%s" % (len(failures), ", compared with the native build" if native else ""))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
