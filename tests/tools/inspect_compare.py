#!/usr/bin/env python3
"""Runs the built `gripline inspect` on the fixtures and requires its output to be
byte-identical to the independent Python reader's (tests/data/irsdk_dump.py) and, when
given and built, to the native binary's. With --emulator the tool under test is the
Windows build run under Wine: file names are passed as Windows paths, including one
with non-ASCII characters, so the UTF-16 command line is exercised too.

usage: inspect_compare.py --gripline EXE [--emulator WRAPPER] [--native EXE]
                          --reader irsdk_dump.py FIXTURE...
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

failures = []


def check(ok, message):
    if not ok:
        failures.append(message)
        print("FAIL: " + message, file=sys.stderr)
    return ok


def run(command):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=dict(os.environ, LC_ALL="C.UTF-8"), timeout=120)
    return result.returncode, result.stdout, result.stderr.decode("utf-8", "replace")


def first_difference(a, b):
    la, lb = a.split(b"\n"), b.split(b"\n")
    for i, (x, y) in enumerate(zip(la, lb)):
        if x != y:
            return "line %d:\n  got  %s\n  want %s" % (i + 1, x.decode(), y.decode())
    return "line counts %d and %d" % (len(la), len(lb))


class Tool:
    def __init__(self, exe, emulator):
        self.prefix = [emulator, exe] if emulator else [exe]
        self.windows = bool(emulator)

    def path(self, file):
        file = os.path.abspath(file)
        # Wine maps the Unix root to drive Z:.
        return "Z:" + file.replace("/", "\\") if self.windows else file

    def inspect(self, file):
        return run(self.prefix + ["inspect", self.path(file)])


def expect_same(tool, file, want, label):
    code, out, err = tool.inspect(file)
    if check(code == 0, "%s: exit code %d, stderr %r" % (label, code, err)):
        check(err == "", "%s: unexpected stderr %r" % (label, err))
        check(out == want, "%s differs from the reference, %s" % (label, first_difference(out, want)))


def expect_failure(tool, file, label):
    code, out, err = tool.inspect(file)
    check(code == 1, "%s: exit code %d, want 1" % (label, code))
    check(out == b"", "%s: wrote %d bytes to stdout" % (label, len(out)))
    check(err.startswith("gripline: ") and err.rstrip("\r\n").count("\n") == 0,
          "%s: want one 'gripline: ' line on stderr, got %r" % (label, err))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--gripline", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--native")
    parser.add_argument("--reader", required=True)
    parser.add_argument("fixtures", nargs="+")
    args = parser.parse_args()

    tool = Tool(args.gripline, args.emulator)
    native = None
    if args.native and os.path.isfile(args.native):
        native = Tool(args.native, None)
    elif args.native:
        print("note: no native build at %s, comparing with the Python reader only" % args.native)

    scratch = tempfile.mkdtemp(prefix="gripline_inspect_")
    try:
        for fixture in args.fixtures:
            name = os.path.basename(fixture)
            code, want, err = run([sys.executable, args.reader, fixture])
            if not check(code == 0 and want, "reader failed on %s: %s" % (name, err)):
                continue
            expect_same(tool, fixture, want, name)
            if native:
                code, native_out, _ = native.inspect(fixture)
                check(code == 0 and native_out == want,
                      "native build differs on %s" % name)

            # A name with spaces and characters outside any ANSI code page, the
            # extension in capitals: still the same file, still an .ibt when it was.
            stem, ext = os.path.splitext(name)
            odd = os.path.join(scratch, "Fahrt ü テスト " + stem + ext.upper())
            shutil.copyfile(fixture, odd)
            expect_same(tool, odd, want, "non-ASCII copy of " + name)

            data = open(fixture, "rb").read()
            for size in (2000, 50):
                cut = os.path.join(scratch, "cut%d_%s" % (size, name))
                with open(cut, "wb") as f:
                    f.write(data[:size])
                expect_failure(tool, cut, "first %d bytes of %s" % (size, name))

        expect_failure(tool, os.path.join(scratch, "missing.ibt"), "missing file")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    if failures:
        print("%d check(s) failed" % len(failures), file=sys.stderr)
        return 1
    print("gripline inspect matches the reference on %d fixture(s)" % len(args.fixtures))
    return 0


if __name__ == "__main__":
    sys.exit(main())
