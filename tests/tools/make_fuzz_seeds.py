#!/usr/bin/python3
"""Writes the fuzzers' seed files for the tag layouts other programs write,
built byte by byte (run from anywhere; the files go to tests/fuzz_corpus/):
  v22_tag                   ID3v2.2: three-letter ids and sizes, UTF-16
                            artist, genre "(12)", COM, PIC "JPG", an id
                            without a v2.3 counterpart, padding
  v24_unsync_data_length    ID3v2.4 frames with unsynchronisation and data
                            length indicators, two UTF-8 values in one
                            frame, TDRC, TSOP, two COMM frames
  v24_tag_unsync            ID3v2.4 frames under the header's
                            unsynchronisation flag
  v23_utf16                 ID3v2.3 UTF-16 in both byte orders, a COMM with
                            and one without a description, TXXX, TDAT
  v23_tag_unsync            ID3v2.3 with the whole tag unsynchronised
  v24_extended_header       ID3v2.4 extended header with a CRC
"""
import os

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz_corpus")


def ss(n):
    return bytes([n >> 21 & 127, n >> 14 & 127, n >> 7 & 127, n & 127])


def be(n, width=4):
    return n.to_bytes(width, "big")


AUDIO = b"\xff\xfb\x90\x64" + bytes(range(0, 256, 3)) * 2
JPEG = b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\xff\x00\xff\xe1\xff\xd9"
APIC = b"\x00image/jpeg\x00\x03\x00" + JPEG


def l1(s):
    return b"\x00" + s.encode("latin-1") + b"\x00"


def u16(s):
    return b"\x01\xff\xfe" + s.encode("utf-16-le") + b"\x00\x00"


def u16be(s):
    return b"\x01\xfe\xff" + s.encode("utf-16-be") + b"\x00\x00"


def u8(*values):
    return b"\x03" + b"\x00".join(v.encode() for v in values) + b"\x00"


def unsync(b):
    """Inserts 00 after every FF that is followed by 111xxxxx, 00 or the end."""
    out = bytearray()
    for i, c in enumerate(b):
        out.append(c)
        if c == 0xFF and (i + 1 == len(b) or b[i + 1] & 0xE0 == 0xE0 or b[i + 1] == 0):
            out.append(0)
    return bytes(out)


def f22(fid, c):
    return fid.encode() + be(len(c), 3) + c


def f23(fid, c, flags=b"\x00\x00"):
    return fid.encode() + be(len(c)) + flags + c


def f24(fid, c, flags=b"\x00\x00"):
    return fid.encode() + ss(len(c)) + flags + c


def f24_unsync(fid, c):
    """Per-frame unsynchronisation (0x02) and data length indicator (0x01)."""
    return f24(fid, ss(len(c)) + unsync(c), b"\x00\x03")


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def main():
    body = (f22("TT2", l1("Vieux titre")) + f22("TP1", u16("Мумий Тролль")) + f22("TAL", l1("Café")) +
            f22("TYE", l1("1987")) + f22("TRK", l1("3/10")) + f22("TCO", l1("(12)")) + f22("TCP", l1("1")) +
            f22("COM", b"\x00fra\x00" + "Très vieux".encode("latin-1")) +
            f22("PIC", b"\x00JPG\x03cover\x00" + JPEG) + f22("XYZ", b"\x00no v2.3 id") + bytes(20))
    write("v22_tag", b"ID3\x02\x00\x00" + ss(len(body)) + body + AUDIO)

    frames = (f24_unsync("TIT2", u8("Старое ÿ")) + f24("TPE1", u8("Мумий Тролль", "宇多田ヒカル")) +
              f24_unsync("TDRC", u8("2004-05-06T07:08")) + f24("TSOP", u8("Trolls")) + f24("TCMP", u8("1")) +
              f24_unsync("APIC", APIC) + f24_unsync("PCNT", b"\x00\x00\xff\xff") + f24("TCON", u8("17", "Pop")) +
              f24("COMM", b"\x03eng\x00" + "Комментарий".encode() + b"\x00") +
              f24("COMM", b"\x03engiTunNORM\x00 0000\x00"))
    body = frames + bytes(16)
    write("v24_unsync_data_length", b"ID3\x04\x00\x00" + ss(len(body)) + body + AUDIO)
    # In 2.4 the header's flag means: every frame's stored bytes are
    # unsynchronised, and its size counts them so.
    body = (f24("TIT2", unsync(u8("ÿ\u00ff"))) + f24("APIC", unsync(APIC)) +
            f24("PCNT", unsync(b"\x00\x00\xff\xff")) + f24("TDRC", unsync(u8("2004-05-06"))) + bytes(16))
    write("v24_tag_unsync", b"ID3\x04\x00\x80" + ss(len(body)) + body + AUDIO)

    body = (f23("TIT2", u16("夜空ノムコウ")) + f23("TPE1", u16be("Мумий Тролль")) + f23("TALB", u16("þÿ Café")) +
            f23("TYER", u16("2004")) + f23("TDAT", l1("0605")) + f23("TCON", u16("(17)Rock")) +
            f23("COMM", b"\x01eng\xff\xfe\x00\x00" + "コメント".encode("utf-16-le") + b"\x00\x00") +
            f23("COMM", b"\x01eng" + u16("iTunNORM")[1:] + u16(" 0000")[1:]) +
            f23("TXXX", b"\x01" + u16("þ")[1:] + u16("ÿ")[1:]) + f23("TCMP", l1("1")) + bytes(40))
    write("v23_utf16", b"ID3\x03\x00\x00" + ss(len(body)) + body + AUDIO)

    body = unsync(f23("TIT2", l1("ÿÿ\xff")) + f23("APIC", APIC) + f23("PCNT", b"\x00\x00\x00\xff")) + bytes(8)
    write("v23_tag_unsync", b"ID3\x03\x00\x80" + ss(len(body)) + body + AUDIO)

    extended = ss(12) + b"\x01\x20\x05" + bytes([0x01, 0x7F, 0x7F, 0x7F, 0x7F])
    body = extended + f24("TIT2", u8("Ext")) + f24("TXXX", u8("k", "v")) + bytes(10)
    write("v24_extended_header", b"ID3\x04\x00\x40" + ss(len(body)) + body + AUDIO)


if __name__ == "__main__":
    main()
