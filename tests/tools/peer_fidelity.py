#!/usr/bin/python3
"""Puts this program beside other taggers on one job: the title from the file
name, nothing else changed. Not part of the test suite; run it by hand when
the reading or writing of tags changes, and quote its table.

  tests/tools/peer_fidelity.py [--quillon BINARY] [--verbose]

BINARY is the build's quillon_title_from_name (default:
build/tests/quillon_title_from_name; build it with
`cmake --build build --target quillon_title_from_name`). Needs Debian's
python3-mutagen, kid3-cli, eyed3 and id3v2 (scripts/install-deps).

For every program the script builds a fresh copy of the fixture library of
tests/tools/fixture_tool.py (seven files tagged by mutagen, from bytes, and
by kid3-cli, eyeD3 and id3v2, in Cyrillic, Japanese and Latin-1 folders),
takes mutagen's view of every file, runs the program over the files, and
compares (fixture_tool.py check --any-version: the version a tagger writes
is its own business here). The jobs:
  quillon   quillon_title_from_name: ReadTag, the rules (title from the
            file name, the rest "no change"), WriteTagV2, WriteTagV1, as a
            batch run does
  kid3-cli  kid3-cli -c 'totag "%{title}" 2' FILE
  mid3v2    mid3v2 -t NAME FILE (python3-mutagen's tool, default settings)
It prints, per program, how many files keep every untouched field (and a
title equal to the name), how many keep their audio byte for byte, and how
many end as ID3v2.3; with --verbose every finding as well.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
TOOL = os.path.join(HERE, "fixture_tool.py")
PYTHON = "/usr/bin/python3"  # Debian's, where python3-mutagen lives


def audio():
    """MPEG-1 layer III frames (128 kbit/s, 44.1 kHz) with noise inside."""
    gen = random.Random(9)
    frames = []
    for _ in range(80):
        frames.append(b"\xff\xfb\x90\x64" + bytes(gen.randrange(128) for _ in range(413)))
    return b"".join(frames)


def picture():
    return b"\xff\xd8\xff\xe0\x00\x10JFIF\x00" + bytes(range(256)) * 8 + b"\xff\xd9"


def run(args, **kw):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, **kw)


def job_quillon(binary, scratch):
    data = os.path.join(scratch, "data") + "/"
    os.makedirs(data, exist_ok=True)

    def job(files):
        return run([binary, data] + files)
    return job


def job_kid3(scratch):
    env = dict(os.environ, HOME=scratch, XDG_CONFIG_HOME=scratch + "/config")

    def job(files):
        out = None
        for f in files:
            out = run(["kid3-cli", "-c", 'totag "%{title}" 2', f], env=env)
            if out.returncode != 0:
                return out
        return out
    return job


def job_mid3v2(scratch):
    def job(files):
        out = None
        for f in files:
            name = os.path.basename(f)[:-4]
            out = run(["mid3v2", "-t", name, f], cwd=scratch)
            if out.returncode != 0:
                return out
        return out
    return job


def main(argv):
    binary = os.path.join(SOURCE, "build", "tests", "quillon_title_from_name")
    verbose = "--verbose" in argv
    if "--quillon" in argv:
        binary = argv[argv.index("--quillon") + 1]
    if not os.access(binary, os.X_OK):
        print("no %s: build the target quillon_title_from_name first" % binary)
        return 2
    root = tempfile.mkdtemp(prefix="peer_fidelity_")
    try:
        with open(os.path.join(root, "audio.bin"), "wb") as f:
            f.write(audio())
        with open(os.path.join(root, "cover.jpg"), "wb") as f:
            f.write(picture())
        jobs = [("quillon", job_quillon(binary, root)),
                ("kid3-cli", job_kid3(root)),
                ("mid3v2", job_mid3v2(root))]
        rows = []
        for name, job in jobs:
            lib = os.path.join(root, name)
            made = run([PYTHON, TOOL, "library", lib, os.path.join(root, "audio.bin"),
                        os.path.join(root, "cover.jpg")])
            if made.returncode != 0:
                print(made.stdout.decode(errors="replace"))
                return 2
            files = [os.path.join(lib, rel) for rel in made.stdout.decode().splitlines()]
            snap = os.path.join(root, name + ".json")
            run([PYTHON, TOOL, "snapshot", snap] + files)
            out = job(files)
            if out is not None and out.returncode != 0:
                print("%s failed: %s" % (name, out.stdout.decode(errors="replace")))
            checked = run([PYTHON, TOOL, "check", "--any-version", snap] + files)
            lines = checked.stdout.decode().splitlines()
            kept = sum(1 for line in lines if line.endswith(": ok"))
            audio_lost = {line.split(": ")[0] for line in lines if line.endswith(": audio changed")}
            v23 = 0
            for f in files:
                with open(f, "rb") as fh:
                    head = fh.read(4)
                v23 += head[:3] == b"ID3" and head[3] == 3
            rows.append((name, kept, len(files) - len(audio_lost), v23, len(files)))
            if verbose:
                print("== %s" % name)
                for line in lines[:-1]:
                    print("  " + (line[len(lib) + 1:] if line.startswith(lib + "/") else line))
        print("%-10s %-22s %-16s %s" % ("program", "kept every field", "audio identical", "ID3v2.3"))
        for name, kept, same_audio, v23, total in rows:
            print("%-10s %-22s %-16s %s" % (name, "%d of %d" % (kept, total),
                                            "%d of %d" % (same_audio, total), "%d of %d" % (v23, total)))
    finally:
        shutil.rmtree(root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
