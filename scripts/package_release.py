#!/usr/bin/env python3
"""Packages the two built programs as a release, into OUT:

  Gripline-Setup-<version>.exe        the installer (NSIS, installer/gripline.nsi)
  Gripline-<version>-portable.zip     both programs and the user's guide
  uploads/torvix/commercial/          what the update host serves: latest.json
                                      and the two programs it points at
  SHA256SUMS                          of all the above

The version is read from common/release_version.h, the one place it lives.
scripts/release.sh calls this on the release build; the installer test calls
it on whichever build it tests.
"""
import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
APP = "Torvix_Commercial.exe"
ANALYZER = "Torvix Commercial Analyzer.exe"
GUIDE = "Gripline user guide.txt"
HOST_FOLDER = "uploads/torvix/commercial"  # beside the manifest the updater reads


def release_version():
    with open(os.path.join(ROOT, "common", "release_version.h")) as header:
        text = header.read()
    parts = [re.search(r"^#define GRIPLINE_RELEASE_%s (\d+)$" % name, text, re.M)
             for name in ("MAJOR", "MINOR", "PATCH", "BUILD")]
    if not all(parts):
        sys.exit("package_release: common/release_version.h lacks a release number")
    return ".".join(part.group(1) for part in parts)


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def stage(app, analyzer, folder):
    """The files a user gets, under the names they keep on disk."""
    os.makedirs(folder)
    shutil.copyfile(app, os.path.join(folder, APP))
    shutil.copyfile(analyzer, os.path.join(folder, ANALYZER))
    # The guide in Windows line ends, readable in Notepad.
    with open(os.path.join(ROOT, "docs", "user-guide.md"), encoding="utf-8") as f:
        guide = f.read()
    with open(os.path.join(folder, GUIDE), "w", encoding="utf-8-sig", newline="\r\n") as f:
        f.write(guide)


def installer(version, staged, out):
    setup = os.path.join(out, "Gripline-Setup-%s.exe" % version)
    subprocess.run(["makensis", "-V2", "-DVERSION=" + version, "-DSTAGE=" + staged,
                    "-DICON=" + os.path.join(ROOT, "app", "artwork", "gripline.ico"),
                    "-DOUTFILE=" + setup, os.path.join(ROOT, "installer", "gripline.nsi")],
                   check=True)
    return setup


def portable_zip(version, staged, out):
    path = os.path.join(out, "Gripline-%s-portable.zip" % version)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for name in (APP, ANALYZER, GUIDE):
            archive.write(os.path.join(staged, name), "Gripline/" + name)
    return path


def host_tree(version, staged, out, notes):
    """latest.json in the form the updater reads (string members only), with
    the SHA-256 it checks each download against. The programs carry the
    version in their names on the host, so an earlier release's files stay
    where its manifest pointed."""
    folder = os.path.join(out, *HOST_FOLDER.split("/"))
    os.makedirs(folder)
    names = {APP: "Torvix_Commercial-%s.exe" % version,
             ANALYZER: "Torvix_Commercial_Analyzer-%s.exe" % version}
    for name, host_name in names.items():
        shutil.copyfile(os.path.join(staged, name), os.path.join(folder, host_name))
    manifest = {
        "version": version,
        "appPath": "/%s/%s" % (HOST_FOLDER, names[APP]),
        "analyzerPath": "/%s/%s" % (HOST_FOLDER, names[ANALYZER]),
        "appSha256": sha256(os.path.join(folder, names[APP])),
        "analyzerSha256": sha256(os.path.join(folder, names[ANALYZER])),
    }
    if notes:
        manifest["notes"] = notes
    with open(os.path.join(folder, "latest.json"), "w", encoding="utf-8") as f:
        # The updater does not decode escapes: keep the text as it stands.
        json.dump(manifest, f, indent=2, ensure_ascii=False)
        f.write("\n")
    return [os.path.join(folder, n) for n in ["latest.json"] + sorted(names.values())]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--app", required=True, help="the built " + APP)
    parser.add_argument("--analyzer", required=True, help="the built " + ANALYZER)
    parser.add_argument("--out", required=True)
    parser.add_argument("--notes", default="", help="release notes the updater shows")
    args = parser.parse_args()
    if '"' in args.notes or "\\" in args.notes:
        sys.exit("package_release: notes cannot hold double quotes or backslashes "
                 "(the updater reads them without decoding escapes)")
    version = release_version()
    out = os.path.abspath(args.out)
    shutil.rmtree(out, ignore_errors=True)
    staged = os.path.join(out, "stage")
    stage(args.app, args.analyzer, staged)
    files = [installer(version, staged, out), portable_zip(version, staged, out)]
    files += host_tree(version, staged, out, args.notes)
    shutil.rmtree(staged)
    with open(os.path.join(out, "SHA256SUMS"), "w") as sums:
        for path in files:
            sums.write("%s  %s\n" % (sha256(path), os.path.relpath(path, out)))
    print("package_release: Gripline %s in %s" % (version, out))


if __name__ == "__main__":
    main()
