#!/usr/bin/env python3
"""The updater under Wine against a loopback HTTPS server started here.

Makes a certificate authority and a `localhost` certificate with openssl,
has the probe trust the authority in the Wine prefix it runs in, serves a
manifest and two "programs", and checks the start-up notice, the Update
command answered No and Yes, a failed analyzer download, a connection dropped
halfway, and that the restart script (run by Wine's cmd) replaces both
installed files and starts the new program.
"""
import argparse
import http.server
import os
import shutil
import socket
import ssl
import subprocess
import sys
import threading
import time

MANIFEST_REQUEST = "/uploads/torvix/commercial/latest.json?v=0.1.0.134"
APP_REQUEST = "/files/Torvix_Commercial.exe?build=7&v=0.1.0.135"
ANALYZER_REQUEST = "/files/analyzer.exe?v=0.1.0.135"
NEW_ANALYZER = b"NEW ANALYZER 0.1.0.135\r\n" * 100
OLD_ANALYZER = b"OLD ANALYZER 0.1.0.134"


def manifest(version, notes="Grip model reworked"):
    return ('{"version": "%s", "appPath": "/files/Torvix_Commercial.exe?build=7",'
            ' "analyzerPath": "/files/analyzer.exe", "notes": "%s"}' % (version, notes)).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.server.requests.append((self.path, self.headers.get("User-Agent")))
        kind, body = self.server.routes.get(self.path, ("missing", b""))
        if kind == "missing":
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if kind == "ok":
            self.wfile.write(body)
            return
        # "drop": half the announced body, then the connection goes away.
        self.wfile.write(body[: len(body) // 2])
        self.wfile.flush()
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def log_message(self, *args):
        pass


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def make_certificates(work):
    def openssl(*args):
        subprocess.run(["openssl", *args], cwd=work, check=True, capture_output=True)

    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out",
            "ca.pem", "-days", "2", "-subj", "/CN=Gripline Updater Test CA",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out",
            "server.csr", "-subj", "/CN=localhost")
    with open(os.path.join(work, "server.ext"), "w") as ext:
        ext.write("subjectAltName=DNS:localhost\nbasicConstraints=CA:FALSE\n"
                  "extendedKeyUsage=serverAuth\nkeyUsage=digitalSignature,keyEncipherment\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "server.ext")
    openssl("x509", "-in", "ca.pem", "-outform", "der", "-out", "ca.der")


def start_server(work):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(work, "server.pem"), os.path.join(work, "server.key"))
    server.socket = context.wrap_socket(server.socket, server_side=True)
    server.routes = {}
    server.requests = []
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Run:
    def __init__(self, args):
        self.args = args
        self.failures = []
        self.passed = 0

    def wine(self, exe, *arguments):
        result = subprocess.run([self.args.emulator, exe, *arguments], stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=120)
        out = result.stdout.decode("utf-8", "replace").replace("\r\n", "\n")
        return result.returncode, [line for line in out.split("\n") if line]

    def check(self, name, condition, detail=""):
        if condition:
            self.passed += 1
            print("ok   " + name)
        else:
            self.failures.append(name)
            print("FAIL " + name + (": " + str(detail) if detail else ""))

    def install_folder(self, name):
        """A fresh install: the probe as the program, an old analyzer beside it."""
        folder = os.path.join(self.args.workdir, name)
        temp = os.path.join(folder, "temp")
        # The work folder is emptied at the start, but a restart script of
        # an earlier run may still have been writing into it then.
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(temp)
        app = os.path.join(folder, "Torvix_Commercial.exe")
        shutil.copyfile(self.args.probe, app)
        with open(os.path.join(folder, "Torvix Commercial Analyzer.exe"), "wb") as f:
            f.write(OLD_ANALYZER)
        return folder, app, temp


def read(path):
    with open(path, "rb") as f:
        return f.read()


def wait_for(condition, seconds=90):
    # The script pauses a second before each copy; Wine and two busy cores
    # can make that much longer, hence the generous deadline.
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


def untouched(folder, probe):
    return (read(os.path.join(folder, "Torvix_Commercial.exe")) == read(probe) and
            read(os.path.join(folder, "Torvix Commercial Analyzer.exe")) == OLD_ANALYZER)


def install_and_restart(run, port, marker, name):
    folder, app, temp = run.install_folder(name)
    _, lines = run.wine(app, "install", port, "yes", winpath(temp) + "\\")
    run.check(name + ": both downloads, then restart", lines == [
        "LOG Checking for Commercial updates...",
        "QUESTION Version 0.1.0.135 is available.\\n\\nGrip model reworked\\n\\nDownload the new "
        "app and analyzer, replace the current files, and restart now?",
        "LOG Downloading Torvix_Commercial.exe v0.1.0.135...",
        "LOG Downloading analyzer.exe v0.1.0.135...",
        "LOG Update downloaded. Restarting into version 0.1.0.135...",
        "CLOSE "], lines)
    started = os.path.join(folder, "restarted.txt")
    run.check(name + ": the script starts the new program from the installed path",
              wait_for(lambda: os.path.exists(started) and read(started) == winpath(app).encode()),
              read(started) if os.path.exists(started) else "not started")
    run.check(name + ": the script replaced both installed programs",
              read(app) == marker and
              read(os.path.join(folder, "Torvix Commercial Analyzer.exe")) == NEW_ANALYZER)
    run.check(name + ": the script removes the downloads and itself",
              wait_for(lambda: os.listdir(temp) == [], 30), os.listdir(temp))


def main():
    parser = argparse.ArgumentParser()
    for option in ("--emulator", "--probe", "--marker", "--workdir"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    shutil.rmtree(args.workdir, ignore_errors=True)
    os.makedirs(args.workdir)
    run = Run(args)

    make_certificates(args.workdir)
    server = start_server(args.workdir)
    port = str(server.server_address[1])
    marker = read(args.marker)

    # Certificates are checked: until the prefix trusts the test's authority
    # the server is refused.
    server.routes = {MANIFEST_REQUEST: ("ok", manifest("0.1.0.135"))}
    folder, app, temp = run.install_folder("untrusted")
    _, lines = run.wine(app, "install", port, "no", winpath(temp) + "\\")
    run.check("a server the system does not trust is refused", lines == [
        "LOG Checking for Commercial updates...",
        "LOG Update check failed: The update server did not respond."], lines)

    code, _ = run.wine(args.probe, "trust-ca", winpath(os.path.join(args.workdir, "ca.der")))
    if code != 0:
        print("FAIL the probe could not trust the test certificate authority")
        return 1

    # Start-up notice, in a shown and in a minimised window.
    server.routes = {MANIFEST_REQUEST: ("ok", manifest("0.1.0.135"))}
    _, lines = run.wine(args.probe, "startup", port, "shown")
    run.check("start-up notice is logged and shown", lines == [
        "LOG Update available: version 0.1.0.135. Click Update to install.",
        "LOG Update note: Grip model reworked",
        "NOTICE A new version of Gripline is available: 0.1.0.135.\\n\\nGrip model reworked"
        "\\n\\nClick the Update button to download and install it."], lines)
    run.check("requests carry the updater's user agent",
              server.requests[-1] == (MANIFEST_REQUEST, "Torvix Updater/0.1.0.134"),
              server.requests[-1:])
    _, lines = run.wine(args.probe, "startup", port, "minimised")
    run.check("a minimised start only logs", len(lines) == 2 and lines[0].startswith("LOG "), lines)

    server.routes = {}
    _, lines = run.wine(args.probe, "startup", port, "shown")
    run.check("a failed check at start-up says nothing", lines == [], lines)

    # Update answered No.
    server.routes = {MANIFEST_REQUEST: ("ok", manifest("0.1.0.135")),
                     APP_REQUEST: ("ok", marker), ANALYZER_REQUEST: ("ok", NEW_ANALYZER)}
    folder, app, temp = run.install_folder("answered-no")
    _, lines = run.wine(app, "install", port, "no", winpath(temp) + "\\")
    run.check("answered No: nothing after the check",
              [l for l in lines if l.startswith("LOG")] == ["LOG Checking for Commercial updates..."]
              and os.listdir(temp) == [] and untouched(folder, args.probe), lines)

    # The analyzer's download fails after the app's succeeded.
    server.routes = {MANIFEST_REQUEST: ("ok", manifest("0.1.0.135")), APP_REQUEST: ("ok", marker)}
    folder, app, temp = run.install_folder("analyzer-missing")
    _, lines = run.wine(app, "install", port, "yes", winpath(temp) + "\\")
    run.check("a failed analyzer download is reported",
              lines[-1:] == ["LOG Update failed while downloading the analyzer: "
                             "The update server returned HTTP 404."], lines)
    time.sleep(2)  # long enough for a wrongly started script's first copy
    run.check("a failed analyzer download leaves the installed files untouched",
              untouched(folder, args.probe) and
              sorted(os.listdir(temp)) == ["Torvix_Commercial.update.exe"], os.listdir(temp))

    # The connection drops halfway through the app.
    server.routes = {MANIFEST_REQUEST: ("ok", manifest("0.1.0.135")), APP_REQUEST: ("drop", marker),
                     ANALYZER_REQUEST: ("ok", NEW_ANALYZER)}
    folder, app, temp = run.install_folder("dropped")
    _, lines = run.wine(app, "install", port, "yes", winpath(temp) + "\\")
    run.check("a connection dropped halfway installs nothing",
              lines[-1:] == ["LOG Update failed while downloading the app: "
                             "The update server did not respond."]
              and os.listdir(temp) == [] and untouched(folder, args.probe), lines)

    # Update answered Yes: both programs replaced, the new one started; also
    # from a folder whose accented name cmd reads in its own code page.
    server.routes = {MANIFEST_REQUEST: ("ok", manifest("0.1.0.135")), APP_REQUEST: ("ok", marker),
                     ANALYZER_REQUEST: ("ok", NEW_ANALYZER)}
    for name in ("answered-yes", "Pil\u00f6te M\u00fcller"):
        install_and_restart(run, port, marker, name)

    # A folder name cmd's code page has no letters for: refused before the
    # question, nothing downloaded, nothing touched.
    folder, app, temp = run.install_folder("\u8eca")
    _, lines = run.wine(app, "install", port, "yes", winpath(temp) + "\\")
    run.check("a folder cmd cannot spell is refused before anything is downloaded", lines == [
        "LOG Checking for Commercial updates...",
        "LOG Update failed: " + winpath(app) +
        " contains characters that cmd cannot read in the restart script."]
        and os.listdir(temp) == [] and untouched(folder, args.probe), lines)

    server.shutdown()
    print("%d passed, %d failed" % (run.passed, len(run.failures)))
    return 1 if run.failures else 0


if __name__ == "__main__":
    sys.exit(main())
