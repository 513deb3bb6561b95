#!/usr/bin/env python3
"""Writes the demo corpus: a news spool of picture postings and a manifest of the files a
client must decode from it.

The spool has the layout the project's news server serves (SPOOL/<group>/<number>, one
whole article per file). The pictures are PNG files painted from the seed, so the same seed
gives the same articles and the same manifest. They travel the ways posters send them: a
single uuencoded article, a uuencoded file split over several articles ("name.png (1/3)"),
a MIME base64 article; one plain text article rides along and yields no file.

usage: make_demo_corpus.py --spool DIR --manifest FILE [--seed N]
"""

import argparse
import binascii
import datetime
import email.utils
import hashlib
import json
import math
import os
import random
import struct
import sys
import zlib

PICTURES = "corvane.demo.pictures"
MORE = "corvane.demo.more"
GROUPS = [PICTURES, MORE]

AUTHORS = [
    "Mira Hollow <mira@hollow.demo.test>",
    "Tomas Reed <tomas.reed@lens.demo.test>",
    "Juno Fairweather <juno@sky.demo.test>",
]

# (group, file name, encoding, parts, author index, width, height, noise).
# The noise sets how much the deflate stream can squeeze out, and so the file's size:
# from a few kilobytes for a calm small picture to about 300 KB for a grainy large one.
POSTINGS = [
    (PICTURES, "sunrise.png", "uu", 1, 0, 72, 54, 1),
    (PICTURES, "harbour.png", "mime", 1, 1, 200, 150, 6),
    (PICTURES, "panorama.png", "uu", 3, 0, 400, 300, 12),
    (PICTURES, None, "text", 1, 2, 0, 0, 0),
    (PICTURES, "meadow.png", "mime-multipart", 1, 2, 160, 120, 5),
    (MORE, "dunes.png", "uu", 1, 1, 260, 190, 10),
    (MORE, "glacier.png", "uu", 3, 2, 320, 240, 12),
    (MORE, "lagoon.png", "mime", 1, 0, 128, 96, 4),
]

# Parts of this posting reach the server out of order, as they often do on real servers.
SHUFFLED = "glacier.png"

# A fixed posting day keeps the articles identical from run to run.
FIRST_POST = datetime.datetime(2026, 11, 2, 9, 30, tzinfo=datetime.timezone.utc)

UU_BYTES_PER_LINE = 45
BASE64_BYTES_PER_LINE = 57


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_file(width, height, rows, comment):
    """A truecolour 8-bit PNG; rows are the raw RGB bytes of each scan line."""
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"tEXt", b"Comment\x00" + comment.encode("ascii")) +
            png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def paint(rng, width, height, noise):
    """A landscape: sky gradient, a sun and two rows of hills, with film grain on top."""
    sky_top = [rng.randrange(0, 90), rng.randrange(60, 140), rng.randrange(150, 256)]
    sky_low = [rng.randrange(180, 256), rng.randrange(120, 220), rng.randrange(60, 160)]
    sun_x, sun_y = rng.uniform(0.2, 0.8) * width, rng.uniform(0.15, 0.45) * height
    sun_r2 = (rng.uniform(0.06, 0.12) * width) ** 2
    hills = []
    for layer in range(2):
        base = height * (0.55 + 0.18 * layer)
        wave = rng.uniform(2.0, 6.0) / width
        phase = rng.uniform(0.0, 6.28)
        colour = [rng.randrange(20, 90), rng.randrange(90 - 30 * layer, 180 - 40 * layer),
                  rng.randrange(20, 70)]
        tops = [int(base + height * 0.08 * _sine(x * wave + phase)) for x in range(width)]
        hills.append((tops, colour))
    grain = rng.randbytes(width * height * 3)
    spread = 2 * noise + 1
    rows = []
    for y in range(height):
        t = y / max(1, height - 1)
        sky = [int(a + (b - a) * t) for a, b in zip(sky_top, sky_low)]
        row = bytearray(width * 3)
        for x in range(width):
            colour = sky
            if (x - sun_x) ** 2 + (y - sun_y) ** 2 < sun_r2:
                colour = (255, 236, 150)
            for tops, hill in hills:
                if y >= tops[x]:
                    colour = hill
            at = (y * width + x) * 3
            for c in range(3):
                value = colour[c] + (grain[at + c] * spread >> 8) - noise
                row[at - y * width * 3 + c] = 0 if value < 0 else 255 if value > 255 else value
        rows.append(bytes(row))
    return rows


def _sine(v):
    # Two harmonics read as hills rather than as a wave.
    return math.sin(v) * 0.7 + math.sin(v * 2.3 + 1.0) * 0.3


def uuencode_lines(data, name):
    lines = ["begin 644 " + name]
    for at in range(0, len(data), UU_BYTES_PER_LINE):
        lines.append(binascii.b2a_uu(data[at:at + UU_BYTES_PER_LINE], backtick=True)
                     .decode("ascii").rstrip("\n"))
    lines += ["`", "end"]
    return lines


def base64_lines(data):
    return [binascii.b2a_base64(data[at:at + BASE64_BYTES_PER_LINE], newline=False)
            .decode("ascii") for at in range(0, len(data), BASE64_BYTES_PER_LINE)]


def base64_is_safe(data):
    # A decoder in the middle of a MIME file takes a line that begins with "end" as the end
    # of the file; such a picture is repainted with another comment.
    return not any(line.startswith("end") for line in base64_lines(data))


def split_parts(lines, count):
    """Cuts encoded lines into count runs of nearly equal length, at line boundaries."""
    size = -(-len(lines) // count)
    return [lines[i * size:(i + 1) * size] for i in range(count)]


class Corpus:
    def __init__(self, spool, seed):
        self.spool = spool
        self.seed = seed
        self.next_number = {group: 1 for group in GROUPS}
        self.posted = 0
        self.files = []

    def post(self, group, author, subject, body, extra_headers=()):
        number = self.next_number[group]
        self.next_number[group] += 1
        when = FIRST_POST + datetime.timedelta(minutes=17 * self.posted)
        self.posted += 1
        user = author.split("<")[1].split("@")[0]
        headers = [
            "Path: demo.corvane.test!not-for-mail",
            "From: " + author,
            "Newsgroups: " + group,
            "Subject: " + subject,
            "Date: " + email.utils.format_datetime(when),
            "Message-ID: <%d.%d.%s@demo.corvane.test>" % (self.seed, self.posted, user),
            "Organization: Corvane demo corpus",
            "Lines: %d" % len(body),
        ] + list(extra_headers)
        text = "\n".join(headers) + "\n\n" + "".join(line + "\n" for line in body)
        with open(os.path.join(self.spool, group, str(number)), "w", encoding="ascii",
                  newline="\n") as out:
            out.write(text)

    def picture(self, name, width, height, noise, needs_safe_base64):
        for variant in range(100):
            rng = random.Random("%d:%s:%d" % (self.seed, name, variant))
            data = png_file(width, height, paint(rng, width, height, noise),
                            "Corvane demo picture %s, variant %d" % (name, variant))
            if not needs_safe_base64 or base64_is_safe(data):
                return data
        raise RuntimeError("no variant of %s encodes safely" % name)


def post_uuencoded(corpus, group, name, data, parts, author):
    lines = uuencode_lines(data, name)
    if parts == 1:
        corpus.post(group, author, name, ["A picture from the demo corpus.", ""] + lines)
        return
    runs = split_parts(lines, parts)
    order = list(range(parts))
    if name == SHUFFLED:
        order = order[1:2] + order[:1] + order[2:][::-1]
    for index in order:
        subject = "%s (%d/%d)" % (name, index + 1, parts)
        corpus.post(group, author, subject, runs[index])


def post_mime(corpus, group, name, data, author):
    corpus.post(group, author, name, base64_lines(data), [
        "MIME-Version: 1.0",
        'Content-Type: image/png; name="%s"' % name,
        "Content-Transfer-Encoding: base64",
        'Content-Disposition: attachment; filename="%s"' % name,
    ])


def post_mime_multipart(corpus, group, name, data, author):
    boundary = "=_corvane_demo_%d" % corpus.seed
    body = [
        "This is a multi-part message in MIME format.",
        "--" + boundary,
        "Content-Type: text/plain; charset=us-ascii",
        "",
        "A quiet morning in the meadow.",
        "",
        "--" + boundary,
        'Content-Type: image/png; name="%s"' % name,
        "Content-Transfer-Encoding: base64",
        "",
    ] + base64_lines(data) + ["", "--" + boundary + "--"]
    corpus.post(group, author, name + " - a meadow", body, [
        "MIME-Version: 1.0",
        'Content-Type: multipart/mixed; boundary="%s"' % boundary,
    ])


WELCOME = [
    "Welcome to the Corvane demo groups.",
    "",
    "Every other article here carries a picture: some uuencoded in one",
    "article, some split over three, some as MIME attachments. This one",
    "is plain text and carries no file.",
]


def build(spool, seed):
    for group in GROUPS:
        os.makedirs(os.path.join(spool, group), exist_ok=True)
        with open(os.path.join(spool, group, ".created"), "w", encoding="ascii") as out:
            out.write(FIRST_POST.strftime("%Y%m%d %H%M%S") + "\n")
    corpus = Corpus(spool, seed)
    for group, name, encoding, parts, author_index, width, height, noise in POSTINGS:
        author = AUTHORS[author_index]
        if encoding == "text":
            corpus.post(group, author, "Welcome to %s" % group, WELCOME)
            continue
        data = corpus.picture(name, width, height, noise, encoding.startswith("mime"))
        if encoding == "uu":
            post_uuencoded(corpus, group, name, data, parts, author)
        elif encoding == "mime":
            post_mime(corpus, group, name, data, author)
        else:
            post_mime_multipart(corpus, group, name, data, author)
        corpus.files.append({"group": group, "name": name,
                             "sha256": hashlib.sha256(data).hexdigest(), "size": len(data),
                             "encoding": encoding, "parts": parts})
    return {"seed": seed, "groups": GROUPS, "files": corpus.files, "authors": AUTHORS}


def main(argv):
    parser = argparse.ArgumentParser(description="Writes the Corvane demo news corpus.")
    parser.add_argument("--spool", required=True, help="folder to write SPOOL/<group>/<n> into")
    parser.add_argument("--manifest", required=True, help="JSON list of the files to decode")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args(argv)
    # Articles left from another corpus would be served beside these but are not in the
    # manifest, so the spool must start empty.
    if os.path.isdir(args.spool) and os.listdir(args.spool):
        parser.error("the spool folder %s is not empty" % args.spool)
    manifest = build(args.spool, args.seed)
    with open(args.manifest, "w", encoding="utf-8") as out:
        json.dump(manifest, out, indent=2)
        out.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
