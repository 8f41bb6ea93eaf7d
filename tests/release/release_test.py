#!/usr/bin/env python3
"""A release as a driver meets it, under Wine in a prefix of its own.

Given a packaged release (scripts/package_release.py: the installer and the
update host's tree), checks: the version resources of both programs; the
installer run silently into the prefix's own LOCALAPPDATA, with the Start-menu
shortcuts and the Uninstall entry; both programs started from the installed
folder; the installer refusing while Gripline runs; the settings file kept
over a reinstall; the loopback update, fed from the release's own
latest.json, replacing an installed copy (and a tampered file refused with
nothing replaced); and the silent uninstall leaving only the settings file.
With --screens DIR it then runs the installer by hand to its finish page and
keeps a screenshot of each page.
"""
import argparse
import glob
import hashlib
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "updater"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "scripts"))
import update_flow_test as loopback  # noqa: E402  (its certificates and server)
import package_release  # noqa: E402  (the release number, the file names)

APP = package_release.APP
ANALYZER = package_release.ANALYZER
GUIDE = package_release.GUIDE
UNINSTALLER = "Uninstall Gripline.exe"
SETTINGS = "Torvix_profiles.ini"
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Gripline"
OLD_ANALYZER = b"OLD ANALYZER"
REFUSED = "LOG Update failed: the downloaded file does not match the release."


read = loopback.read
wait_for = loopback.wait_for  # polled with generous deadlines: Wine on two busy cores


class Release:
    def __init__(self, args):
        self.args = args
        self.version = package_release.release_version()
        self.setup = os.path.join(args.release, "Gripline-Setup-%s.exe" % self.version)
        self.host = os.path.join(args.release, *package_release.HOST_FOLDER.split("/"))
        with open(os.path.join(self.host, "latest.json"), encoding="utf-8") as f:
            self.manifest = json.load(f)
        self.files = {APP: self.host_file("appPath"), ANALYZER: self.host_file("analyzerPath")}
        self.failures = []
        self.passed = 0
        os.environ["WINEPREFIX"] = os.path.join(args.workdir, "wineprefix-rel")
        self.prefix = os.environ["WINEPREFIX"]

    def host_file(self, member):
        return os.path.join(self.args.release, self.manifest[member].lstrip("/"))

    def check(self, name, condition, detail=""):
        if condition:
            self.passed += 1
            print("ok   " + name, flush=True)
        else:
            self.failures.append(name)
            print("FAIL " + name + (": " + str(detail) if detail else ""), flush=True)

    def wine(self, *arguments, timeout=180):
        # Output through a file, not a pipe: a program the update script
        # starts inherits it and runs on after the probe has exited.
        with tempfile.TemporaryFile() as out:
            result = subprocess.run([self.args.emulator, *arguments], stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            text = out.read().decode("utf-8", "replace").replace("\r\n", "\n")
        return result.returncode, [line for line in text.split("\n") if line]

    def start(self, *arguments):
        return subprocess.Popen([self.args.emulator, *arguments], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop_programs(self):
        """Ends every Windows process of this prefix (ours alone)."""
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], capture_output=True)
        subprocess.run(["/usr/lib/wine/wineserver", "-w"], capture_output=True)

    def folder(self):
        found = glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Local",
                                       "Programs", "Gripline"))
        return found[0] if found else os.path.join(self.prefix, "missing")

    def start_menu(self):
        return glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Roaming",
                                      "Microsoft", "Windows", "Start Menu", "Programs", "Gripline*.lnk"))

    def listing(self):
        return sorted(os.listdir(self.folder())) if os.path.isdir(self.folder()) else []

    def window(self, title):
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title],
                                capture_output=True, text=True)
        return result.stdout.split()

    def screenshot(self, name, title=None):
        """The whole screen, or only the window whose title matches."""
        if self.args.screens:
            os.makedirs(self.args.screens, exist_ok=True)
            windows = self.window(title) if title else []
            subprocess.run(["import", "-window", windows[0] if windows else "root",
                            os.path.join(self.args.screens, name)], capture_output=True)


def check_version_resources(run, files, where):
    """`files`: each program's name and where this build of it lies."""
    expected = {"FixedFileVersion": run.version, "FixedProductVersion": run.version,
                "FileVersion": run.version, "ProductVersion": run.version,
                "ProductName": "Gripline", "CompanyName": "Gripline",
                "LegalCopyright": "Copyright (C) 2026 Gripline"}
    for name, description in ((APP, "Gripline force feedback"), (ANALYZER, "Gripline Analyzer")):
        _, lines = run.wine(run.args.version_probe, loopback.winpath(files[name]))
        fields = dict(line.split("=", 1) for line in lines if "=" in line)
        want = dict(expected, FileDescription=description, OriginalFilename=name)
        run.check("%s: the version resource of %s reads back" % (where, name),
                  all(fields.get(k) == v for k, v in want.items()), fields)


def install(run, name):
    code, _ = run.wine(run.setup, "/S")
    run.check(name + ": the silent install succeeds", code == 0, "exit code %d" % code)
    installed = run.folder()
    run.check(name + ": both programs are the release's, in LOCALAPPDATA\\Programs\\Gripline",
              all(os.path.exists(os.path.join(installed, n)) and
                  read(os.path.join(installed, n)) == read(path) for n, path in run.files.items()),
              run.listing())


def check_first_install(run):
    # A folder the user cannot create files in (Linux's /proc, where not even
    # root may) is refused before anything is installed.
    code, _ = run.wine(run.setup, "/S", r"/D=Z:\proc\Gripline")
    run.check("an unwritable folder is refused", code == 3 and run.listing() == [],
              "exit code %d" % code)
    install(run, "first install")
    run.check("first install: the programs, the guide and the uninstaller, nothing else",
              run.listing() == sorted([APP, ANALYZER, GUIDE, UNINSTALLER]), run.listing())
    run.check("first install: Start-menu shortcuts for Gripline and the Analyzer",
              sorted(os.path.basename(p) for p in run.start_menu()) ==
              ["Gripline Analyzer.lnk", "Gripline.lnk"], run.start_menu())
    code, lines = run.wine("reg", "query", UNINSTALL_KEY)
    entry = {}
    for line in lines:
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[1].startswith("REG_"):
            entry[parts[0]] = parts[2]
    run.check("first install: the Uninstall entry has name, version, publisher, size and icon",
              code == 0 and entry.get("DisplayName") == "Gripline" and
              entry.get("DisplayVersion") == run.version and entry.get("Publisher") == "Gripline" and
              int(entry.get("EstimatedSize", "0"), 16) > 0 and
              entry.get("DisplayIcon", "").endswith("\\" + APP + ",0") and
              entry.get("QuietUninstallString", "").endswith(" /S"), lines)
    check_version_resources(run, {n: os.path.join(run.folder(), n) for n in (APP, ANALYZER)},
                            "installed")


def check_running_programs(run):
    """Both programs start from the installed folder; while Gripline runs the
    installer refuses and leaves the folder as it was."""
    installed = run.folder()
    gripline = run.start(os.path.join(installed, APP))
    analyzer = run.start(os.path.join(installed, ANALYZER))
    title = "Gripline v" + run.version
    run.check("installed: Gripline's window opens",
              wait_for(lambda: run.window("^" + title + "$")), title)
    run.check("installed: the Analyzer's window opens",
              wait_for(lambda: run.window("^Gripline Analyzer v" + run.version)))
    time.sleep(2)  # a picture for the eye only; nothing is judged on it
    run.screenshot("installed_programs.png")
    before = run.listing()
    code, _ = run.wine(run.setup, "/S")
    run.check("the installer refuses while Gripline runs", code == 2 and run.listing() == before,
              "exit code %d" % code)
    run.stop_programs()
    for process in (gripline, analyzer):
        process.wait(timeout=60)


def check_reinstall_keeps_settings(run):
    settings = os.path.join(run.folder(), SETTINGS)
    text = b"[Profiles]\r\nActive=Pil\xf6te\r\n"
    with open(settings, "wb") as f:
        f.write(text)
    install(run, "reinstall")
    run.check("reinstall: the settings file is kept as it was", read(settings) == text)


class HostHandler(loopback.Handler):
    """The update host: the release's tree as it stands, with the test's
    overrides (a tampered file)."""

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        self.server.requests.append((self.path, self.headers.get("User-Agent")))
        body = self.server.overrides.get(path)
        if body is None:
            local = os.path.join(self.server.root, path.lstrip("/"))
            if not os.path.isfile(local):
                self.send_error(404)
                return
            body = read(local)
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def as_older_install(run):
    """The installed folder as an earlier release left it: the updater (the
    probe standing in for the program, which only knows the real host) and
    an old Analyzer."""
    installed = run.folder()
    shutil.copyfile(run.args.update_probe, os.path.join(installed, APP))
    with open(os.path.join(installed, ANALYZER), "wb") as f:
        f.write(OLD_ANALYZER)
    temp = os.path.join(run.args.workdir, "temp-%d" % time.monotonic_ns())
    os.makedirs(temp)
    return installed, temp


def check_update_from_release(run):
    work = run.args.workdir
    loopback.make_certificates(work)
    http.server.ThreadingHTTPServer.allow_reuse_address = True
    server = loopback.start_server(work)
    server.RequestHandlerClass = HostHandler
    server.root = run.args.release
    server.overrides = {}
    port = str(server.server_address[1])
    code, _ = run.wine(run.args.update_probe, "trust-ca", loopback.winpath(os.path.join(work, "ca.der")))
    run.check("the prefix trusts the test's certificate authority", code == 0)
    older = "0.0.0.1"

    installed, temp = as_older_install(run)
    _, lines = run.wine(os.path.join(installed, APP), "install", port, "yes",
                        loopback.winpath(temp) + "\\", older)
    host_names = [os.path.basename(run.files[n]) for n in (APP, ANALYZER)]
    run.check("update: the release's latest.json offers it and both programs download", lines[:1] == [
        "LOG Checking for Commercial updates..."] and lines[2:] == [
        "LOG Downloading %s v%s..." % (host_names[0], run.version),
        "LOG Downloading %s v%s..." % (host_names[1], run.version),
        "LOG Update downloaded. Restarting into version %s..." % run.version, "CLOSE "], lines)
    run.check("update: the installed copy becomes the release's two programs",
              wait_for(lambda: all(read(os.path.join(installed, n)) == read(p)
                                   for n, p in run.files.items())), run.listing())
    run.check("update: the new Gripline starts from the installed folder",
              wait_for(lambda: run.window("^Gripline v" + run.version + "$")))
    time.sleep(3)  # a picture for the eye only
    run.screenshot("updated_gripline.png", "^Gripline v" + run.version + "$")
    run.stop_programs()

    installed, temp = as_older_install(run)
    tampered = bytearray(read(run.files[APP]))
    tampered[len(tampered) // 2] ^= 0xFF
    server.overrides = {run.manifest["appPath"]: bytes(tampered)}
    _, lines = run.wine(os.path.join(installed, APP), "install", port, "yes",
                        loopback.winpath(temp) + "\\", older)
    time.sleep(2)  # long enough for a wrongly started script's first copy
    run.check("update: a tampered download is refused with nothing replaced",
              lines[-1:] == [REFUSED] and os.listdir(temp) == [] and
              read(os.path.join(installed, APP)) == read(run.args.update_probe) and
              read(os.path.join(installed, ANALYZER)) == OLD_ANALYZER, lines)
    server.shutdown()
    install(run, "reinstall after the update checks")


def check_uninstall(run):
    code, _ = run.wine(os.path.join(run.folder(), UNINSTALLER), "/S")
    # The uninstaller runs on from a copy of itself in the temporary folder:
    # wait for its result rather than its exit.
    run.check("uninstall: only the settings file is left",
              code == 0 and wait_for(lambda: run.listing() == [SETTINGS]), run.listing())
    run.check("uninstall: the shortcuts are gone", wait_for(lambda: run.start_menu() == []))
    run.check("uninstall: the Uninstall entry is gone",
              wait_for(lambda: run.wine("reg", "query", UNINSTALL_KEY)[0] != 0))


def installer_pages(run):
    """The installer run by hand: Welcome, folder, finish (the progress page
    moves on by itself), then Finish starts Gripline."""
    setup = run.start(run.setup)
    title = "^Gripline %s Setup" % run.version  # some pages add a space
    run.check("by hand: the installer's window opens", wait_for(lambda: run.window(title)))
    time.sleep(3)  # pictures for the eye only; nothing is judged on them
    run.screenshot("installer_1_welcome.png", title)
    subprocess.run(["xdotool", "key", "Return"], capture_output=True)  # Next
    time.sleep(3)
    run.screenshot("installer_2_folder.png", title)
    subprocess.run(["xdotool", "key", "Return"], capture_output=True)  # Install
    run.check("by hand: the installer installed both programs",
              wait_for(lambda: all(os.path.exists(os.path.join(run.folder(), n))
                                   for n in (APP, ANALYZER, UNINSTALLER))))
    time.sleep(3)
    run.screenshot("installer_3_finish.png", title)
    subprocess.run(["xdotool", "key", "Return"], capture_output=True)  # Finish, "Start Gripline" ticked
    run.check("by hand: Finish ends the installer", wait_for(lambda: setup.poll() is not None, 60))
    gripline = "^Gripline v%s$" % run.version
    run.check("by hand: Finish starts Gripline", wait_for(lambda: run.window(gripline)))
    time.sleep(3)
    run.screenshot("installer_4_gripline_started.png", gripline)
    run.stop_programs()

    # The uninstaller by hand asks before deleting the settings file: Yes.
    with open(os.path.join(run.folder(), SETTINGS), "wb") as f:
        f.write(b"[Profiles]\r\n")
    uninstaller = os.path.join(run.folder(), UNINSTALLER)
    title = "^Gripline Uninstall"
    run.start(uninstaller)
    if not wait_for(lambda: run.window(title), 45):
        # Seen once on a loaded machine: the copy the uninstaller starts of
        # itself in the temporary folder never showed its window. A second
        # start is what a user would do.
        print("note: the uninstaller's window did not come; started again", flush=True)
        run.start(uninstaller)
    run.check("by hand: the uninstaller's window opens", wait_for(lambda: run.window(title)))
    time.sleep(3)
    run.screenshot("uninstaller_1_confirm.png", title)
    subprocess.run(["xdotool", "key", "Return"], capture_output=True)  # Uninstall
    time.sleep(5)  # the question comes after the programs are removed
    run.screenshot("uninstaller_2_settings_question.png")
    subprocess.run(["xdotool", "key", "y"], capture_output=True)  # Yes
    run.check("by hand: answered Yes, the settings file and the folder go too",
              wait_for(lambda: run.listing() == []), run.listing())
    time.sleep(2)
    run.screenshot("uninstaller_3_done.png", title)
    run.stop_programs()


def main():
    parser = argparse.ArgumentParser()
    for option in ("--emulator", "--release", "--update-probe", "--version-probe", "--workdir"):
        parser.add_argument(option, required=True)
    parser.add_argument("--screens", help="keep screenshots here and run the installer by hand")
    args = parser.parse_args()
    if args.screens:
        shutil.rmtree(args.screens, ignore_errors=True)
    # Wine wants an absolute prefix, the emulator is run from the test's cwd.
    for name in ("release", "workdir", "emulator", "update_probe", "version_probe"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    if args.screens:
        args.screens = os.path.abspath(args.screens)
    shutil.rmtree(args.workdir, ignore_errors=True)
    os.makedirs(args.workdir)
    if not os.environ.get("DISPLAY"):
        sys.exit("release_test: needs an X display (scripts/wine-session.sh starts one)")
    run = Release(args)
    try:
        check_version_resources(run, run.files, "release")
        run.check("latest.json names the SHA-256 of both programs",
                  run.manifest.get("appSha256") == hashlib.sha256(read(run.files[APP])).hexdigest() and
                  run.manifest.get("analyzerSha256") == hashlib.sha256(read(run.files[ANALYZER])).hexdigest())
        check_first_install(run)
        check_running_programs(run)
        check_reinstall_keeps_settings(run)
        check_update_from_release(run)
        check_uninstall(run)
        if args.screens:
            installer_pages(run)
    finally:
        run.stop_programs()
    print("%d passed, %d failed" % (run.passed, len(run.failures)))
    return 1 if run.failures else 0


if __name__ == "__main__":
    sys.exit(main())
