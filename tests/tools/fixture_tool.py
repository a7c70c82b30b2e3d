#!/usr/bin/python3
"""Builds a small music library the way people's collections hold it, and
tells whether a tagger left every field it was not asked to change alone.
mutagen (Debian's python3-mutagen) is the outside reader; kid3-cli, eyeD3 and
id3v2 (Debian's kid3-cli, eyed3, id3v2) tag some of the files.

  fixture_tool.py library DIR AUDIO PICTURE [--titled]
      fills DIR with seven tagged copies of AUDIO (PICTURE is the cover) in
      folders named in Cyrillic, Japanese and Latin-1, and prints their paths
      relative to DIR, one a line, in the order the table below lists them.
      With --titled every title is the file's own name without ".mp3", so
      that a run taking the title from the file name finds nothing to do.
        Мумий Тролль/Утекай.mp3             mutagen, ID3v2.4 UTF-8, full tag
        日本語のアルバム/夜空ノムコウ.mp3    the same tag saved as 2.3 UTF-16
        Café Müller/Þórr ÿ.mp3              ID3v2.3 Latin-1 holding ÿ and þ
        Café Müller/Été ancien.mp3          ID3v2.2, built from bytes
        Мумий Тролль/Владивосток 2000.mp3   kid3-cli (2.3, UTF-16 where needed)
        日本語のアルバム/さくら.mp3          eyeD3 (2.4, UTF-8)
        Café Müller/Déjà vu.mp3             id3v2 (2.3 Latin-1 and ID3v1)
  fixture_tool.py snapshot OUT PATH...
      writes OUT (JSON): for every PATH its view (below) and the SHA-256 of
      its audio, the bytes between the ID3v2 tag and an ID3v1 block.
  fixture_tool.py check [--any-version] [--no-owner] SNAPSHOT PATH...
      compares every PATH with its view in SNAPSHOT after a run that took the
      title from the file name and changed nothing else. Each must hold:
      the view equals the one before, apart from TIT2, TOWN and frames of
      the nine ids TIT2 TPE1 TALB TYER COMM TRCK TCON TIT1 TOWN that are new
      and empty; TIT2 is the file name without ".mp3", character for
      character; the audio is byte-identical; the tag is ID3v2.3 (not
      checked with --any-version, for taggers that write 2.4). With
      --no-owner a new TOWN counts as a change too.
      Prints "PATH: ok" or "PATH: <finding>" for each finding, then
      "kept N of M"; exits 0 when every file is ok, else 1.
  fixture_tool.py view PATH
      prints the view of PATH, one frame a line.

The view is mutagen's reading of the ID3v2 tag: ID3(path, load_v1=False),
then update_to_v23(), then every frame as mutagen would write it into a 2.3
tag (several values joined with "/"), by its HashKey, with every field but
the text encoding. A 2.4 tag thus compares fairly with the 2.3 tag it
becomes: TDRC is TYER, TDAT and TIME on both sides, frames 2.3 cannot hold
are gone on both sides, and a value keeps its characters whatever encoding
carries it. Long binary fields are shown by their length and SHA-256.
"""
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile

from mutagen.id3 import (APIC, COMM, ID3, PCNT, POPM, PRIV, TALB, TCMP, TCON,
                         TDRC, TIT1, TIT2, TPE1, TPE2, TRCK, TSOP, TXXX, UFID,
                         USLT, WXXX, Encoding, ID3NoHeaderError)

NINE = ("TIT2", "TPE1", "TALB", "TYER", "COMM", "TRCK", "TCON", "TIT1", "TOWN")

# Relative paths of the library, in the order "library" builds them.
RU, JA, LA = "Мумий Тролль", "日本語のアルバム", "Café Müller"
FILES = {
    "v24_utf8": RU + "/Утекай.mp3",
    "v23_utf16": JA + "/夜空ノムコウ.mp3",
    "v23_latin1": LA + "/Þórr ÿ.mp3",
    "v22": LA + "/Été ancien.mp3",
    "kid3": RU + "/Владивосток 2000.mp3",
    "eyed3": JA + "/さくら.mp3",
    "id3v2": LA + "/Déjà vu.mp3",
}


def stem(path):
    name = os.path.basename(path)
    return name[:-4] if name.endswith(".mp3") else name


# --- building ---------------------------------------------------------------

def full_tag(title, picture):
    """The tag a MusicBrainz-style tagger leaves through mutagen: ID3v2.4,
    UTF-8, two artists, a full recording time, sort orders, a compilation
    flag, a comment and a player's description-carrying comment, and the
    binary frames players keep."""
    u8 = Encoding.UTF8
    t = ID3()
    t.add(TIT2(encoding=u8, text=title))
    t.add(TPE1(encoding=u8, text=["Мумий Тролль", "宇多田ヒカル"]))
    t.add(TALB(encoding=u8, text="Морская · 海"))
    t.add(TPE2(encoding=u8, text="Илья Лагутенко"))
    t.add(TDRC(encoding=u8, text="2004-05-06T07:08"))
    t.add(TRCK(encoding=u8, text="4/12"))
    t.add(TCON(encoding=u8, text="(17)"))
    t.add(TIT1(encoding=u8, text="Русский рок"))
    t.add(TCMP(encoding=u8, text="1"))
    t.add(TSOP(encoding=u8, text="Trolls, Mumiy"))
    t.add(COMM(encoding=u8, lang="rus", desc="", text="Лучшая песня, café"))
    t.add(COMM(encoding=u8, lang="eng", desc="iTunNORM",
               text=" 00000A2B 00000B3C 00003E8F 00004A1D 0001C5E6"))
    t.add(TXXX(encoding=u8, desc="MusicBrainz Album Id",
               text="2a6e0b1c-5e5f-4c2a-9d0e-0b9b4c1f7f11"))
    t.add(UFID(owner="http://musicbrainz.org",
               data=b"8f1d2c3b-4a59-4e6f-8a7b-9c0d1e2f3a4b"))
    t.add(POPM(email="rating@example.org", rating=196, count=7))
    t.add(PCNT(count=258))
    t.add(USLT(encoding=u8, lang="rus", desc="",
               text="Утекай, в подворотне нас ждёт маньяк\nうたう"))
    t.add(WXXX(encoding=u8, desc="страница", url="http://example.org/trolls"))
    t.add(PRIV(owner="WM/MediaClassPrimaryID",
               data=bytes.fromhex("bc7d60d1e323e4c1b12a0c0f1e54fe1f") + b"\x00\xff\xfe\x01"))
    t.add(APIC(encoding=u8, mime="image/jpeg", type=3, desc="обложка",
               data=picture))
    return t


def latin1_tag(title):
    """ID3v2.3 in ISO-8859-1, with the bytes 0xFF and 0xFE inside values."""
    l1 = Encoding.LATIN1
    t = ID3()
    t.add(TIT2(encoding=l1, text=title))
    t.add(TPE1(encoding=l1, text="Mÿ Þþórsdóttir"))
    t.add(TALB(encoding=l1, text="Smørrebrød ÿþÿ"))
    t.add(TCON(encoding=l1, text="Jazz"))
    t.add(TRCK(encoding=l1, text="2"))
    t.add(COMM(encoding=l1, lang="isl", desc="", text="þetta er ÿ"))
    t.add(TXXX(encoding=l1, desc="þ", text="ÿ"))
    t.add(PCNT(count=0xFEFF01))
    return t


def v22_bytes(title, picture, audio):
    """An ID3v2.2 tag as early library managers wrote it: three-letter ids,
    three-byte sizes, the artist in UTF-16, a picture with the format "JPG",
    then padding."""
    def frame(fid, content):
        n = len(content)
        return fid.encode() + bytes([n >> 16 & 255, n >> 8 & 255, n & 255]) + content

    def latin1(text):
        return b"\x00" + text.encode("latin-1") + b"\x00"

    def utf16(text):
        return b"\x01" + text.encode("utf-16") + b"\x00\x00"

    title_content = latin1(title) if all(ord(c) < 256 for c in title) else utf16(title)
    frames = (frame("TT2", title_content) +
              frame("TP1", utf16("Мумий Тролль & Ørjan")) +
              frame("TAL", latin1("Café Müller")) +
              frame("TYE", latin1("1987")) +
              frame("TRK", latin1("3/10")) +
              frame("TCO", latin1("(12)")) +
              frame("TT1", latin1("Chanson")) +
              frame("TCP", latin1("1")) +
              frame("COM", b"\x00fra\x00" + "Très vieux".encode("latin-1")) +
              frame("COM", b"\x00eng" + b"iTunSMPB\x00" + b" 00000000 00000210 00000A2C") +
              frame("PIC", b"\x00JPG\x03cover\x00" + picture))
    body = frames + bytes(64)
    n = len(body)
    size = bytes([n >> 21 & 127, n >> 14 & 127, n >> 7 & 127, n & 127])
    return b"ID3\x02\x00\x00" + size + body + audio


def run_tool(args, env):
    try:
        r = subprocess.run(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    except FileNotFoundError:
        raise SystemExit("%r is not installed (scripts/install-deps installs it)" % (args[0],))
    if r.returncode != 0:
        raise SystemExit("%r failed: %s" % (args[0], r.stdout.decode(errors="replace")))


def library(folder, audio_path, picture_path, titled):
    with open(audio_path, "rb") as f:
        audio = f.read()
    with open(picture_path, "rb") as f:
        picture = f.read()
    for rel in FILES.values():
        os.makedirs(os.path.join(folder, os.path.dirname(rel)), exist_ok=True)

    def path(key):
        return os.path.join(folder, FILES[key])

    def title(key, old):
        return stem(FILES[key]) if titled else old

    def fresh(key):
        with open(path(key), "wb") as f:
            f.write(audio)
        return path(key)

    # mutagen, 2.4 UTF-8, and the same tag saved as 2.3 (UTF-16).
    full_tag(title("v24_utf8", "Старое название ♫"), picture).save(
        fresh("v24_utf8"), v1=0, v2_version=4, padding=lambda info: 512)
    t = full_tag(title("v23_utf16", "古い題名 ♫"), picture)
    t.update_to_v23()
    t.save(fresh("v23_utf16"), v1=0, v2_version=3, padding=lambda info: 300)
    latin1_tag(title("v23_latin1", "Þú ÿ")).save(
        fresh("v23_latin1"), v1=0, v2_version=3, padding=lambda info: 100)
    with open(path("v22"), "wb") as f:
        f.write(v22_bytes(title("v22", "Vieux titre"), picture, audio))

    # The command-line taggers, with a private home so no user configuration
    # changes what they write.
    scratch = tempfile.mkdtemp(prefix="fixture_home_")
    try:
        env = dict(os.environ, HOME=scratch, XDG_CONFIG_HOME=scratch + "/config",
                   LANG="C.UTF-8", LC_ALL="C.UTF-8")
        cover = os.path.join(scratch, "cover.jpg")
        with open(cover, "wb") as f:
            f.write(picture)
        lyrics = os.path.join(scratch, "lyrics.txt")
        with open(lyrics, "w", encoding="utf-8") as f:
            f.write("さくら さくら\n今、咲き誇る\n")

        run_tool(["kid3-cli",
                  "-c", "set title '%s'" % title("kid3", "Старый"),
                  "-c", "set artist 'Мумий Тролль'",
                  "-c", "set album 'Шамора'",
                  "-c", "set date 1998",
                  "-c", "set tracknumber 3",
                  "-c", "set genre Rock",
                  "-c", "set comment 'Комментарий'",
                  "-c", "set 'album artist' 'Лагутенко'",
                  "-c", "set composer 'Илья'",
                  "-c", "set compilation 1",
                  "-c", "set picture:'%s' 'обложка'" % cover,
                  fresh("kid3")], env)

        run_tool(["eyeD3", "--no-color", "--no-config", "-Q",
                  "-t", title("eyed3", "古いさくら"), "-a", "森山直太朗",
                  "-A", "日本語のアルバム", "-n", "5", "-N", "11", "-G", "J-Pop",
                  "--recording-date", "2003-03-05", "-c", "コメント",
                  "--add-comment", "gapless 1:iTunPGAP:eng",
                  "--user-text-frame", "CATALOG:VICL-1234",
                  "--text-frame", "TCMP:1", "--play-count", "12", "--bpm", "96",
                  "--add-image", cover + ":FRONT_COVER:カバー",
                  "--add-lyrics", lyrics,
                  "--user-url-frame", "home:http\\://example.org/",
                  "--unique-file-id", "http\\://musicbrainz.org:0f0e0d0c",
                  "--add-popularity", "a@b.c:200:3",
                  fresh("eyed3")], env)

        # id3v2 takes its texts as ISO-8859-1 bytes and writes an ID3v1 block.
        def l1(s):
            return s.encode("latin-1")
        run_tool([b"id3v2", b"-t", l1(title("id3v2", "Vieux déjà")),
                  b"-a", l1("Françoise Hardy"), b"-A", l1("Café Müller"),
                  b"-y", b"1968", b"-T", b"7/12", b"-g", b"12",
                  b"-c", l1("Ça ira"), b"--COMM", l1("note:þÿ Ça:fra"),
                  b"--TCOM", l1("Gérard"), b"--TPE2", l1("Öl Ärger"),
                  b"--TBPM", b"120", b"--WOAR", b"http://example.org/",
                  os.fsencode(fresh("id3v2"))], env)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    for rel in FILES.values():
        print(rel)


# --- reading ----------------------------------------------------------------

def audio_of(data):
    start = 0
    if len(data) >= 10 and data[:3] == b"ID3":
        size = (data[6] & 127) << 21 | (data[7] & 127) << 14 | (data[8] & 127) << 7 | (data[9] & 127)
        start = 10 + size + (10 if data[3] == 4 and data[5] & 0x10 else 0)
    end = len(data) - (128 if len(data) >= 128 and data[-128:-125] == b"TAG" else 0)
    return data[start:end] if start <= end else b""


def show(value):
    if isinstance(value, (bytes, bytearray)):
        if len(value) <= 32:
            return "bytes:" + bytes(value).hex()
        return "bytes[%d]:%s" % (len(value), hashlib.sha256(value).hexdigest())
    if isinstance(value, list):
        return [show(v) for v in value]
    if isinstance(value, ID3):
        return frames_view(value)
    if hasattr(value, "frames"):  # sub-frames of CHAP and CTOC
        return frames_view(value)
    if isinstance(value, str):
        return value
    return repr(value) if not isinstance(value, (int, float)) else int(value)


def frame_view(frame):
    f23 = frame._get_v23_frame(sep="/")
    fields = {}
    for field in list(f23._framespec) + list(f23._optionalspec):
        if field.name == "encoding" or not hasattr(f23, field.name):
            continue
        fields[field.name] = show(getattr(f23, field.name))
    if hasattr(frame, "sub_frames"):
        fields["sub_frames"] = frames_view(frame.sub_frames)
    return fields


def frames_view(tags):
    return {key: frame_view(tags[key]) for key in sorted(tags.keys())}


def read_view(path):
    """(version, view) of the file's ID3v2 tag; version None without one."""
    try:
        tags = ID3(path, load_v1=False)
    except ID3NoHeaderError:
        return None, {}
    version = list(tags.version)
    tags.update_to_v23()
    return version, frames_view(tags)


def snapshot(out, paths):
    result = {}
    for p in paths:
        with open(p, "rb") as f:
            data = f.read()
        version, view = read_view(p)
        result[p] = {"version": version, "view": view,
                     "audio": hashlib.sha256(audio_of(data)).hexdigest()}
    with open(out, "w", encoding="utf-8") as f:
        json.dump(result, f, ensure_ascii=False, indent=1, sort_keys=True)


def is_empty(fields):
    text = fields.get("text")
    return text is not None and all(t == "" for t in text)


def label(key):
    """A frame key as one printable line: control characters escaped."""
    return "".join(c if c.isprintable() else "\\x%02x" % ord(c) if ord(c) < 256 else "\\u%04x" % ord(c)
                   for c in key)


def findings(p, before, any_version, owner_allowed):
    found = []
    with open(p, "rb") as f:
        data = f.read()
    try:
        version, view = read_view(p)
    except Exception as e:  # a tag mutagen cannot read is a finding
        return ["mutagen cannot read the tag: %r" % (e,)]
    if hashlib.sha256(audio_of(data)).hexdigest() != before["audio"]:
        found.append("audio changed")
    if version is None:
        return found + ["no ID3v2 tag"]
    if not any_version and version[:2] != [2, 3]:
        found.append("tag version %s, want 2.3" % ".".join(map(str, version)))
    title = view.get("TIT2", {}).get("text")
    if title != [stem(p)]:
        found.append("TIT2 %r, want %r" % (title, [stem(p)]))
    old = json.loads(json.dumps(before["view"]))  # a copy
    for key in sorted(set(old) | set(view)):
        if key == "TIT2" or (key == "TOWN" and owner_allowed):
            continue
        if key not in view:
            found.append("%s lost: was %s" % (label(key), json.dumps(old[key], ensure_ascii=False)))
        elif key not in old:
            if key[:4] in NINE and is_empty(view[key]):
                continue
            found.append("%s added: %s" % (label(key), json.dumps(view[key], ensure_ascii=False)))
        elif view[key] != old[key]:
            found.append("%s changed: %s -> %s" % (label(key), json.dumps(old[key], ensure_ascii=False),
                                                    json.dumps(view[key], ensure_ascii=False)))
    return found


def check(snapshot_path, paths, any_version, owner_allowed):
    with open(snapshot_path, encoding="utf-8") as f:
        snap = json.load(f)
    kept = 0
    for p in paths:
        if p not in snap:
            print("%s: not in the snapshot" % p)
            continue
        found = findings(p, snap[p], any_version, owner_allowed)
        for line in found:
            print("%s: %s" % (p, line))
        if not found:
            print("%s: ok" % p)
            kept += 1
    print("kept %d of %d" % (kept, len(paths)))
    return 0 if kept == len(paths) else 1


def main(argv):
    args = argv[1:]
    if len(args) in (4, 5) and args[0] == "library" and args[4:] in ([], ["--titled"]):
        library(args[1], args[2], args[3], titled=len(args) == 5)
        return 0
    if len(args) >= 2 and args[0] == "snapshot":
        snapshot(args[1], args[2:])
        return 0
    if args and args[0] == "check":
        flags = [a for a in args[1:] if a in ("--any-version", "--no-owner")]
        rest = [a for a in args[1:] if a not in flags]
        if rest:
            return check(rest[0], rest[1:], "--any-version" in flags, "--no-owner" not in flags)
    if len(args) == 2 and args[0] == "view":
        version, view = read_view(args[1])
        print("version", version)
        for key, fields in view.items():
            print(label(key), json.dumps(fields, ensure_ascii=False))
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
