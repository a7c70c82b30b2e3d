#!/usr/bin/python3
"""Builds the corpus of bench_gui_peers: real MP3 files encoded by lame from
audio made by sox, in artist folders of album folders, tagged the ways other
programs tag them (mutagen writes the tags).

  make_corpus.py OUT [FILES]

OUT/<Artist>/<Album>/<NN Title>.mp3, FILES files in all (200 by default),
spread over 3 artists of 3 albums, each about 1 MB. The starting tags go
round six forms:
  none          no tag at all
  v23_latin1    ID3v2.3, ISO-8859-1 text
  v24_utf8      ID3v2.4, UTF-8 text, 2 KiB of padding
  v1_only       an ID3v1 block and no ID3v2 tag
  v23_utf16     ID3v2.3, UTF-16 text, a 40 KiB picture, 4 KiB of padding
  v24_pic_v1    ID3v2.4, UTF-8 text, a 40 KiB picture, an ID3v1 block
Encoding is the slow part, so a few clips are encoded once and every file
carries one of them. OUT/.complete marks a finished corpus; it is then left
as it is.
"""
import os
import random
import subprocess
import sys
import tempfile

from mutagen.id3 import APIC, COMM, ID3, TALB, TCON, TIT2, TPE1, TRCK, TYER

ARTISTS = ["Les Ondes", "Nordlicht", "Ana Pérez"]
ALBUMS = ["Première", "Zweite Reise", "Third Light"]
FORMS = ["none", "v23_latin1", "v24_utf8", "v1_only", "v23_utf16", "v24_pic_v1"]
CLIPS = 4
SECONDS = 26  # at 320 kbit/s about 1 MB


def encode_clips(work):
    clips = []
    for i in range(CLIPS):
        wav = os.path.join(work, "clip%d.wav" % i)
        mp3 = os.path.join(work, "clip%d.mp3" % i)
        tone = 220 + 110 * i
        subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", wav, "synth", str(SECONDS),
                        "sine", str(tone), "pinknoise", "vol", "0.5"], check=True)
        subprocess.run(["lame", "--quiet", "-b", "320", "-q", "7", wav, mp3], check=True)
        with open(mp3, "rb") as f:
            clips.append(f.read())
    return clips


def v1_block(title, artist, album, year, genre):
    def field(text, width):
        return text.encode("latin-1", "replace")[:width].ljust(width, b"\0")
    return b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) + \
        field("", 30) + bytes([genre])


def tag(path, form, n, title, artist, album, picture):
    if form == "none":
        return
    if form == "v1_only":
        with open(path, "ab") as f:
            f.write(v1_block(title, artist, album, "1999", 12))
        return
    enc = {"v23_latin1": 0, "v23_utf16": 1}.get(form, 3)
    tags = ID3()
    text = [("TIT2", TIT2), ("TPE1", TPE1), ("TALB", TALB)]
    values = {"TIT2": title, "TPE1": artist, "TALB": album}
    if enc == 0:
        values = {k: v.encode("latin-1", "replace").decode("latin-1") for k, v in values.items()}
    for frame_id, cls in text:
        tags.add(cls(encoding=enc, text=[values[frame_id]]))
    tags.add(TRCK(encoding=enc, text=[str(n)]))
    tags.add(TCON(encoding=enc, text=["Ambient"]))
    tags.add(COMM(encoding=enc, lang="eng", desc="", text=["old comment %d" % n]))
    if form.startswith("v23"):
        tags.add(TYER(encoding=enc, text=["1998"]))
    if "pic" in form or form == "v23_utf16":
        tags.add(APIC(encoding=enc, mime="image/jpeg", type=3, desc="cover", data=picture))
    version = 3 if form.startswith("v23") else 4
    padding = {"v24_utf8": 2048, "v23_utf16": 4096}.get(form, 0)
    tags.save(path, v2_version=version, v1=2 if form == "v24_pic_v1" else 0, padding=lambda info: padding)


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    done = os.path.join(out, ".complete")
    if os.path.exists(done):
        return 0
    os.makedirs(out, exist_ok=True)
    rng = random.Random(2009)
    picture = b"\xff\xd8\xff\xe0" + bytes(rng.getrandbits(8) for _ in range(40 * 1024))
    with tempfile.TemporaryDirectory() as work:
        clips = encode_clips(work)
    folders = [(a, b) for a in ARTISTS for b in ALBUMS]
    for i in range(count):
        artist, album = folders[i * len(folders) // count]
        folder = os.path.join(out, artist, album)
        os.makedirs(folder, exist_ok=True)
        n = sum(1 for name in os.listdir(folder) if name.endswith(".mp3")) + 1
        title = "Étude %d" % i if i % 3 == 0 else "Track %d" % i
        path = os.path.join(folder, "%02d %s.mp3" % (n, title))
        with open(path, "wb") as f:
            f.write(clips[i % len(clips)])
        tag(path, FORMS[i % len(FORMS)], n, title, artist, album, picture)
    open(done, "w").close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
