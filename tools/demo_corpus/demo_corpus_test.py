#!/usr/bin/env python3
"""Checks the demo corpus the way a client meets it: every file of the manifest must come out
of its articles, byte for byte, when the articles are decoded by the rules the program's
decoder follows, and the news server must list every article with a complete overview.

usage: demo_corpus_test.py [--server PATH-OF-corvane-news-server] [unittest options]
"""

import base64
import binascii
import hashlib
import importlib.util
import json
import os
import re
import socket
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
GENERATOR = os.path.join(HERE, "make_demo_corpus.py")
SERVER = None  # set from --server
REQUIRED_HEADERS = ["Path", "From", "Newsgroups", "Subject", "Date", "Message-ID", "Lines"]
BASE64_LINE = re.compile(r"^[A-Za-z0-9+/=]*$")


def load_generator():
    found = importlib.util.spec_from_file_location("make_demo_corpus", GENERATOR)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def generate(folder, seed=1):
    spool = os.path.join(folder, "spool")
    manifest = os.path.join(folder, "manifest.json")
    subprocess.run([sys.executable, GENERATOR, "--spool", spool, "--manifest", manifest,
                    "--seed", str(seed)], check=True)
    with open(manifest, encoding="utf-8") as f:
        return spool, json.load(f)


def read_article(path):
    with open(path, encoding="ascii") as f:
        head, _, body = f.read().partition("\n\n")
    headers = {}
    for line in head.split("\n"):
        name, _, value = line.partition(": ")
        headers[name] = value
    return headers, head.split("\n"), body.split("\n")[:-1]


def read_spool(spool):
    articles = {}
    for group in sorted(os.listdir(spool)):
        for name in os.listdir(os.path.join(spool, group)):
            if name.isdigit():
                articles[(group, int(name))] = read_article(os.path.join(spool, group, name))
    return articles


class LineDecoder:
    """The client's attachment rules, cut down to one file per article chain: a "begin" line
    or a header naming a file opens it, "end" at the start of a line closes it, and lines
    that do not decode are passed over."""

    def __init__(self):
        self.name, self.mode, self.data, self.done = None, None, bytearray(), False

    def feed(self, line, header=False):
        if self.done:
            return
        if self.mode is None:
            upper = line.upper()
            if line.startswith("begin "):
                self.name, self.mode = line.split(" ", 2)[2], "uu"
            elif upper.startswith(("CONTENT-TYPE:", "CONTENT-DISPOSITION:")) and "NAME=" in upper:
                self.name = line[upper.index("NAME=") + 5:].strip('"')
                self.mode = "mime"
            return
        if header:
            return
        if line.startswith("end"):
            self.done = True
        elif self.mode == "uu":
            count = (ord(line[0]) - 32) & 63 if line else 0
            if count and (len(line) - 1) // 4 == count // 3 + (1 if count % 3 else 0):
                self.data += binascii.a2b_uu(line)
        elif BASE64_LINE.match(line[:len(line) // 4 * 4]):
            self.data += base64.b64decode(line[:len(line) // 4 * 4])


def check_png(testcase, data):
    testcase.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
    at, idat, width, height = 8, b"", 0, 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 4:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        testcase.assertEqual(zlib.crc32(body) & 0xFFFFFFFF, crc, kind)
        if kind == b"IHDR":
            width, height = struct.unpack(">II", body[4:12])
        idat += body[4:] if kind == b"IDAT" else b""
        at += 12 + length
        if kind == b"IEND":
            break
    testcase.assertEqual(at, len(data))
    testcase.assertEqual(len(zlib.decompress(idat)), height * (1 + 3 * width))


class CorpusTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.spool, cls.manifest = generate(cls.folder.name)
        cls.articles = read_spool(cls.spool)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def postings(self):
        """Articles grouped the way a client joins them: by subject before the part counter."""
        joined = {}
        for (group, number), (headers, _, _) in sorted(self.articles.items()):
            match = re.match(r"^(.*\()(\d+)/(\d+)\)$", headers["Subject"])
            key = (group, match.group(1) if match else headers["Subject"])
            part = int(match.group(2)) if match else 1
            joined.setdefault(key, {})[part] = (group, number)
        return joined

    def decode(self, parts):
        decoder = LineDecoder()
        for part in sorted(parts):
            _, head, body = self.articles[parts[part]]
            for line in head:
                decoder.feed(line, header=True)
            for line in body:
                decoder.feed(line)
        return decoder

    def test_every_file_decodes_to_its_manifest_entry(self):
        decoded = {}
        for (group, _), parts in self.postings().items():
            decoder = self.decode(parts)
            if decoder.name:
                decoded[(group, decoder.name)] = bytes(decoder.data)
        expected = {(f["group"], f["name"]): f for f in self.manifest["files"]}
        self.assertEqual(set(decoded), set(expected))
        for key, data in decoded.items():
            with self.subTest(file=key):
                self.assertEqual(len(data), expected[key]["size"])
                self.assertEqual(hashlib.sha256(data).hexdigest(), expected[key]["sha256"])
                self.assertTrue(5_000 <= len(data) <= 300_000, len(data))
                check_png(self, data)

    def test_corpus_has_every_kind_of_posting(self):
        files = self.manifest["files"]
        self.assertGreaterEqual(len({f["group"] for f in files}), 2)
        kinds = {(f["encoding"], f["parts"]) for f in files}
        for kind in [("uu", 1), ("uu", 3), ("mime", 1), ("mime-multipart", 1)]:
            self.assertIn(kind, kinds)
        postings = self.postings()
        text = [p for p in postings.values() if not self.decode(p).name]
        self.assertEqual(len(text), 1)
        for (group, base), parts in postings.items():
            count = re.search(r"\((\d+)/(\d+)\)$", self.articles[parts[min(parts)]][0]["Subject"])
            if count:
                self.assertEqual(sorted(parts), list(range(1, int(count.group(2)) + 1)), base)
        # At least one posting reaches the server with its parts out of order.
        self.assertTrue(any(sorted(p, key=p.get) != sorted(p) for p in postings.values()))

    def test_every_article_has_complete_headers(self):
        ids, authors = set(), set()
        for key, (headers, _, body) in self.articles.items():
            with self.subTest(article=key):
                for name in REQUIRED_HEADERS:
                    self.assertTrue(headers.get(name), name)
                self.assertEqual(int(headers["Lines"]), len(body))
                self.assertEqual(headers["Newsgroups"], key[0])
                self.assertNotIn(headers["Message-ID"], ids)
                ids.add(headers["Message-ID"])
                authors.add(headers["From"])
        self.assertEqual(authors, set(self.manifest["authors"]))
        self.assertTrue(2 <= len(authors) <= 3)

    def test_same_seed_same_corpus_other_seed_other_pictures(self):
        with tempfile.TemporaryDirectory() as folder:
            _, again = generate(folder)
        with tempfile.TemporaryDirectory() as folder:
            _, other = generate(folder, seed=2)
        self.assertEqual(again, self.manifest)
        self.assertFalse({f["sha256"] for f in other["files"]} &
                         {f["sha256"] for f in self.manifest["files"]})

    def test_refuses_a_spool_that_holds_articles(self):
        result = subprocess.run([sys.executable, GENERATOR, "--spool", self.spool, "--manifest",
                                 os.path.join(self.folder.name, "other.json")],
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 2)
        self.assertIn("not empty", result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.folder.name, "other.json")))


class Base64GuardTest(unittest.TestCase):
    # A base64 line that happens to begin with "end" would cut the client's file short; the
    # pictures are repainted until none does, so the guard must see every line's start.
    def test_a_line_beginning_with_end_is_refused(self):
        generator = load_generator()
        end_bytes = base64.b64decode("endx")
        per_line = generator.BASE64_BYTES_PER_LINE
        self.assertFalse(generator.base64_is_safe(end_bytes + bytes(per_line - 3)))
        self.assertFalse(generator.base64_is_safe(bytes(per_line) + end_bytes))
        self.assertTrue(generator.base64_is_safe(bytes(per_line) + bytes(3) + end_bytes))


class Client:
    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=20)
        self.reader = self.sock.makefile("rb")

    def line(self):
        return self.reader.readline().decode("latin-1").rstrip("\r\n")

    def command(self, text):
        self.sock.sendall(text.encode("ascii") + b"\r\n")
        return self.line()

    def data(self):
        lines = []
        while (line := self.line()) != ".":
            lines.append(line[1:] if line.startswith("..") else line)
        return lines

    def close(self):
        self.command("QUIT")
        self.sock.close()


class ServedCorpusTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not SERVER:
            raise unittest.SkipTest("no news server given (--server)")
        cls.folder = tempfile.TemporaryDirectory()
        cls.spool, cls.manifest = generate(cls.folder.name)
        cls.server = subprocess.Popen([SERVER, "--spool", cls.spool,
                                       "--port", "0"], stdout=subprocess.PIPE, text=True)
        ready = cls.server.stdout.readline()
        cls.port = int(ready.rsplit(":", 1)[1]) if ready.startswith("listening on") else 0

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait(timeout=20)
        cls.server.stdout.close()
        cls.folder.cleanup()

    def test_overview_lists_every_article_completely(self):
        self.assertNotEqual(self.port, 0, "the server did not start")
        client = Client(self.port)
        self.assertTrue(client.line().startswith("20"))
        articles = read_spool(self.spool)
        for group in self.manifest["groups"]:
            numbers = sorted(n for g, n in articles if g == group)
            reply = client.command("GROUP " + group).split()
            self.assertEqual(reply[:5], ["211", str(len(numbers)), str(numbers[0]),
                                         str(numbers[-1]), group])
            self.assertTrue(client.command("XOVER 1-").startswith("224"))
            overview = [line.split("\t") for line in client.data()]
            self.assertEqual([int(f[0]) for f in overview], numbers)
            for fields in overview:
                headers, _, body = articles[(group, int(fields[0]))]
                with self.subTest(group=group, number=fields[0]):
                    self.assertEqual(fields[1:5], [headers["Subject"], headers["From"],
                                                   headers["Date"], headers["Message-ID"]])
                    self.assertGreater(int(fields[6]), 0)
                    self.assertEqual(int(fields[7]), len(body))
                    self.assertEqual(fields[8], "Xref: corvane.test %s:%s" % (group, fields[0]))
            self.assertTrue(client.command("XHDR PATH %d-" % numbers[0]).startswith("221"))
            self.assertEqual(len(client.data()), len(numbers))
            self.assertTrue(client.command("BODY %d" % numbers[0]).startswith("222"))
            self.assertEqual(client.data(), articles[(group, numbers[0])][2])
        client.close()


if __name__ == "__main__":
    if len(sys.argv) > 2 and sys.argv[1] == "--server":
        SERVER = sys.argv[2]
        del sys.argv[1:3]
    unittest.main()
