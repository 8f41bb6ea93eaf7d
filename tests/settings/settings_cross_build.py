#!/usr/bin/env python3
"""A settings file written by the Windows build (the private-profile functions,
under Wine) must read the same in a later run of the Windows build, in the
Windows build's portable store and in the native build; a file written by the
native build must read the same in the Windows build. Each writer prints what
it wrote, each reader what it read, in one canonical text form.

usage: settings_cross_build.py --emulator WRAPPER --windows-probe EXE
                               --native-probe EXE --workdir DIR
Exit code 77 (skipped) when the native probe has not been built.
"""
import argparse
import os
import shutil
import subprocess
import sys

failures = []


def run(command):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    if result.returncode != 0:
        failures.append("%s exited %d: %s" % (" ".join(command), result.returncode,
                                              result.stderr.decode("utf-8", "replace")))
    return result.stdout.decode("utf-8", "replace")


def same(label, got, want):
    if got != want:
        failures.append("%s differs:\n--- got\n%s--- want\n%s" % (label, got, want))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--emulator", required=True)
    parser.add_argument("--windows-probe", required=True)
    parser.add_argument("--native-probe", required=True)
    parser.add_argument("--workdir", required=True)
    args = parser.parse_args()
    if not os.path.exists(args.native_probe):
        print("native build not found (%s): build the linux preset first" % args.native_probe)
        return 77

    shutil.rmtree(args.workdir, ignore_errors=True)
    os.makedirs(args.workdir)
    windows_file = os.path.join(args.workdir, "from windows", "Torvix_profiles.ini")
    native_file = os.path.join(args.workdir, "from native", "Torvix_profiles.ini")
    os.makedirs(os.path.dirname(windows_file))
    os.makedirs(os.path.dirname(native_file))

    def windows(*probe_args, path):
        return run([args.emulator, args.windows_probe, probe_args[0],
                    "Z:" + path.replace("/", "\\")] + list(probe_args[1:]))

    written = windows("write", path=windows_file)
    if not written:
        failures.append("the Windows writer printed nothing")
    with open(windows_file, "rb") as f:
        if not f.read(2) == b"\xff\xfe":
            failures.append("the Windows build did not create its file in UTF-16LE")
    same("Windows file read by a later Windows run", windows("read", path=windows_file), written)
    same("Windows file read by the Windows portable store",
         windows("read", "--store", "ini", path=windows_file), written)
    same("Windows file read natively", run([args.native_probe, "read", windows_file]), written)

    written = run([args.native_probe, "write", native_file])
    same("native file read by the Windows build", windows("read", path=native_file), written)

    for failure in failures:
        print("FAIL: " + failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
