#!/usr/bin/python3
"""Tags MP3 files the way other programs do, and reads back what Quillon
wrote, with Debian's python3-mutagen as the independent reader.

  mutagen_tool.py make FORM OUT AUDIO PICTURE
      writes OUT: the bytes of AUDIO, tagged by mutagen in FORM:
      v24_utf8   ID3v2.4, UTF-8 text, a picture, padding, no ID3v1 block
      v23_utf16  ID3v2.3, UTF-16 text, a picture, padding, an ID3v1 block
  mutagen_tool.py check PATH [PICTURE] key=HEX ...
      reads PATH and checks that its ID3v2 tag is version 2.3 and holds the
      values (hex of their UTF-8 bytes) for the keys title, artist, album,
      comment, year, track, genre, category, owner, each in ISO-8859-1 when
      it fits and in UTF-16 otherwise, and, when the keys v1title, v1artist,
      v1album, v1year, v1comment (hex of ISO-8859-1 bytes) are given, that
      the ID3v1 block holds them; with PICTURE, that the one APIC frame holds
      exactly its bytes.
Prints "ok" and exits 0, or prints every disagreement and exits 1.
"""
import sys

from mutagen.id3 import (APIC, COMM, ID3, TALB, TCON, TIT1, TIT2, TPE1, TRCK,
                         TDRC, TYER, TXXX, PCNT, ParseID3v1, Encoding)

TEXT_FRAMES = {"title": "TIT2", "artist": "TPE1", "album": "TALB",
               "year": "TYER", "track": "TRCK", "genre": "TCON",
               "category": "TIT1", "owner": "TOWN"}


def make(form, out, audio, picture):
    with open(audio, "rb") as f:
        data = f.read()
    with open(picture, "rb") as f:
        pic = f.read()
    with open(out, "wb") as f:
        f.write(data)
    tags = ID3()
    if form == "v24_utf8":
        enc = Encoding.UTF8
        tags.add(TDRC(encoding=enc, text="2001"))
        version, v1 = 4, 0
    elif form == "v23_utf16":
        enc = Encoding.UTF16
        tags.add(TYER(encoding=enc, text="1999"))
        version, v1 = 3, 2
    else:
        raise SystemExit("unknown form " + form)
    tags.add(TIT2(encoding=enc, text="Caf\u00e9 \u266b old title"))
    tags.add(TPE1(encoding=enc, text="Old Artist"))
    tags.add(TALB(encoding=enc, text="Old Album"))
    tags.add(TCON(encoding=enc, text="Jazz"))
    tags.add(TRCK(encoding=enc, text="4/12"))
    tags.add(COMM(encoding=enc, lang="eng", desc="", text="old comment"))
    tags.add(TXXX(encoding=enc, desc="note", text="kept \u00fc"))
    tags.add(PCNT(count=258))
    tags.add(APIC(encoding=enc, mime="image/png", type=3, desc="cover",
                  data=pic))
    tags.save(out, v1=v1, v2_version=version, padding=lambda info: 333)


def check(path, picture, expected):
    problems = []
    tags = ID3(path, load_v1=False, translate=False)
    if tags.version[:2] != (2, 3):
        problems.append("version %r" % (tags.version,))
    for key, fid in TEXT_FRAMES.items():
        if key not in expected:
            continue
        want = expected[key].decode("utf-8")
        frames = tags.getall(fid)
        if not frames:
            problems.append("%s: no %s frame" % (key, fid))
            continue
        got = str(frames[0].text[0]) if frames[0].text else ""
        if fid == "TCON":
            got = frames[0].text[0] if frames[0].text else ""
        if got != want:
            problems.append("%s: %r, want %r" % (key, got, want))
        fits = all(0 < ord(ch) <= 0xFF for ch in want)
        if frames[0].encoding != (Encoding.LATIN1 if fits else Encoding.UTF16):
            problems.append("%s: encoding %r" % (key, frames[0].encoding))
    if "comment" in expected:
        want = expected["comment"].decode("utf-8")
        comms = tags.getall("COMM")
        got = [c.text[0] if c.text else "" for c in comms]
        if len(comms) != 1 or got[0] != want:
            problems.append("comment: %r, want %r" % (got, want))
    if picture:
        with open(picture, "rb") as f:
            pic = f.read()
        apics = tags.getall("APIC")
        if len(apics) != 1 or apics[0].data != pic:
            problems.append("picture changed (%d APIC frames)" % len(apics))
    v1keys = {"v1title": "TIT2", "v1artist": "TPE1", "v1album": "TALB",
              "v1year": "TDRC", "v1comment": "COMM"}
    if any(k in expected for k in v1keys):
        with open(path, "rb") as f:
            f.seek(-128, 2)
            block = f.read(128)
        v1 = ParseID3v1(block)
        if v1 is None:
            problems.append("no ID3v1 block")
        else:
            for key, fid in v1keys.items():
                if key not in expected:
                    continue
                want = expected[key].decode("latin-1")
                frame = v1.get(fid) or next(
                    (v for k, v in v1.items() if k.startswith(fid)), None)
                got = str(frame.text[0]) if frame is not None else ""
                if got != want:
                    problems.append("%s: %r, want %r" % (key, got, want))
    return problems


def main(argv):
    if len(argv) >= 6 and argv[1] == "make":
        make(argv[2], argv[3], argv[4], argv[5])
        print("ok")
        return 0
    if len(argv) >= 3 and argv[1] == "check":
        picture = None
        expected = {}
        for arg in argv[3:]:
            if "=" in arg:
                key, value = arg.split("=", 1)
                expected[key] = bytes.fromhex(value)
            else:
                picture = arg
        try:
            problems = check(argv[2], picture, expected)
        except Exception as e:  # a tag mutagen cannot read is a finding
            problems = ["mutagen failed: %r" % (e,)]
        for p in problems:
            print(p)
        if problems:
            return 1
        print("ok")
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
