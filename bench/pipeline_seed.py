#!/usr/bin/env python3
"""pipeline_seed - fills the local news server with the whole-pipeline benchmark's articles.

  pipeline_seed.py --out DIR [--count N] [--host 127.0.0.1] [--port 119]

Each of N payloads (bench-NNN.bin, about 500 KB of random-looking bytes from a seeded
generator, the same bytes on every run) is posted twice: uuencoded into corvane.bench.uu and
yEnc-encoded into corvane.bench.yenc, one article each. The groups are created when missing.
Articles go into innd through its local socket with IHAVE (a feed, so the server keeps our
headers and the run is quick); a Message-ID the server already holds is not sent again, so a
second run posts nothing.

DIR receives:
  manifest.json   every payload's name, size and sha256, and what each group holds
                  (article numbers, Message-IDs, bytes as the server counts them)
  bench.nzb       the yEnc articles as an NZB file (one single-segment file per payload)

Must run as root on the server's machine (innd's socket and ctlinnd). Standard library only.
"""

import argparse
import binascii
import hashlib
import json
import os
import socket
import subprocess
import sys
import zlib
from xml.sax.saxutils import escape, quoteattr

NEWSBIN = '/usr/lib/news/bin'
UU_GROUP = 'corvane.bench.uu'
YENC_GROUP = 'corvane.bench.yenc'
PAYLOAD_BASE = 500 * 1000
YENC_LINE = 128
UU_CHUNK = 45
FROM = 'Bench Poster <poster@bench.corvane.test>'
PATH = 'bench.corvane.test!not-for-mail'
# Reader replies longer than this are not ours to trust: an overview line of one of our
# articles is a few hundred bytes.
MAX_LINE = 64 * 1024


def die(msg):
    sys.stderr.write('pipeline_seed: ERROR: %s\n' % msg)
    sys.exit(1)


def log(msg):
    sys.stdout.write('pipeline_seed: %s\n' % msg)
    sys.stdout.flush()


# ---------------------------------------------------------------- payloads ----

def file_name(index):
    return 'bench-%03d.bin' % index


def payload(index):
    """Deterministic bytes: an extendable-output hash seeded by the index. The size varies a
    little from file to file so that a decoder that mixes up two files cannot go unnoticed."""
    size = PAYLOAD_BASE + (index * 7919) % 24000
    return hashlib.shake_256(('corvane pipeline bench %d' % index).encode()).digest(size)


def message_id(kind, index):
    return '<%s.%03d@bench.corvane.test>' % (kind, index)


def post_date(index):
    # Fixed dates well inside the server's window, one minute apart.
    return 'Mon, 01 Jun 2015 %02d:%02d:00 GMT' % (10 + index // 60, index % 60)


# ---------------------------------------------------------------- encoders ----

def uu_body(data, name):
    lines = [('begin 644 %s' % name).encode()]
    lines += [binascii.b2a_uu(data[i:i + UU_CHUNK], backtick=True).rstrip(b'\n')
              for i in range(0, len(data), UU_CHUNK)]
    lines += [b'`', b'end']
    return lines


# Every byte shifted by 42; the four bytes that may never appear raw become "=" and the byte
# plus 64. An "=" in the escaped stream is therefore always the start of a pair.
_SHIFT = bytes((b + 42) & 0xff for b in range(256))
_EDGE = (0x09, 0x20)


def yenc_lines(data):
    shifted = data.translate(_SHIFT)
    # "=" first, so that the pairs made for the other bytes are not escaped twice.
    escaped = shifted.replace(b'=', b'=}')
    for c in (0x00, 0x0a, 0x0d):
        escaped = escaped.replace(bytes((c,)), bytes((0x3d, (c + 64) & 0xff)))
    lines = []
    at = 0
    while at < len(escaped):
        end = min(at + YENC_LINE, len(escaped))
        if escaped[end - 1] == 0x3d and end < len(escaped):
            end += 1  # never split a pair across lines
        line = escaped[at:end]
        at = end
        # A tab or space at either end of a line, or a dot at its start, may be eaten on the way.
        if line[0] in _EDGE or line[0] == 0x2e:
            line = bytes((0x3d, (line[0] + 64) & 0xff)) + line[1:]
        if line[-1] in _EDGE:
            line = line[:-1] + bytes((0x3d, (line[-1] + 64) & 0xff))
        lines.append(line)
    return lines


def yenc_body(data, name):
    crc = '%08x' % (zlib.crc32(data) & 0xffffffff)
    head = ('=ybegin line=%d size=%d name=%s' % (YENC_LINE, len(data), name)).encode()
    tail = ('=yend size=%d crc32=%s' % (len(data), crc)).encode()
    return [head] + yenc_lines(data) + [tail]


def article(kind, index, group, subject, body):
    headers = [
        'Path: ' + PATH,
        'From: ' + FROM,
        'Newsgroups: ' + group,
        'Subject: ' + subject,
        'Date: ' + post_date(index),
        'Message-ID: ' + message_id(kind, index),
    ]
    return [h.encode() for h in headers] + [b''] + body


# --------------------------------------------------------------- the server ----

def innconfval(key):
    try:
        out = subprocess.run([NEWSBIN + '/innconfval', key], check=True, capture_output=True,
                             text=True)
    except (OSError, subprocess.CalledProcessError) as e:
        die('innconfval %s failed (is the news server installed and started?): %s' % (key, e))
    return out.stdout.strip()


def ctlinnd(*args):
    r = subprocess.run([NEWSBIN + '/ctlinnd', '-t', '30'] + list(args), capture_output=True,
                       text=True)
    if r.returncode != 0:
        die('ctlinnd %s failed: %s' % (' '.join(args), (r.stdout + r.stderr).strip()))


class Connection:
    """One NNTP conversation, line by line, over a stream socket."""

    def __init__(self, sock, what):
        self.sock = sock
        self.what = what
        self.fh = sock.makefile('rb')
        greeting = self.line()
        if greeting[:3] not in ('200', '201'):
            die('%s refused us: %s' % (what, greeting))

    def line(self):
        raw = self.fh.readline(MAX_LINE + 1)
        if not raw:
            die('%s closed the connection' % self.what)
        if len(raw) > MAX_LINE or not raw.endswith(b'\n'):
            die('%s sent an overlong or cut line' % self.what)
        return raw.decode('latin-1').rstrip('\r\n')

    def command(self, text):
        self.sock.sendall(text.encode() + b'\r\n')
        return self.line()

    def close(self):
        try:
            self.sock.sendall(b'QUIT\r\n')
        except OSError:
            pass
        self.sock.close()


def reader(host, port):
    try:
        sock = socket.create_connection((host, port), timeout=60)
    except OSError as e:
        die('cannot reach the news server at %s:%d: %s' % (host, port, e))
    return Connection(sock, 'the news server')


def feed(pathrun):
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    sock.settimeout(120)
    path = os.path.join(pathrun, 'nntpin')
    try:
        sock.connect(path)
    except OSError as e:
        die('cannot open innd\'s local socket %s (%s): are we root, is it running?' % (path, e))
    return Connection(sock, 'innd')


def ihave(conn, mid, lines):
    reply = conn.command('IHAVE ' + mid)
    if reply.startswith('435'):
        return False
    if not reply.startswith('335'):
        die('innd will not take %s: %s' % (mid, reply))
    wire = bytearray()
    for line in lines:
        if line.startswith(b'.'):
            wire += b'.'
        wire += line + b'\r\n'
    wire += b'.\r\n'
    conn.sock.sendall(bytes(wire))
    reply = conn.line()
    if reply.startswith('235'):
        return True
    if reply.startswith('435') or (reply.startswith('437') and 'Duplicate' in reply):
        return False
    die('innd rejected %s: %s' % (mid, reply))


def group_exists(conn, group):
    reply = conn.command('GROUP ' + group)
    if reply.startswith('211'):
        return True
    if reply.startswith('411'):
        return False
    die('GROUP %s: unexpected reply %s' % (group, reply))


def overview(conn, group):
    """{message-id: (number, bytes)} of what the group holds."""
    reply = conn.command('GROUP ' + group)
    if not reply.startswith('211'):
        die('GROUP %s: %s' % (group, reply))
    fields = reply.split()
    if fields[1] == '0':
        return {}
    reply = conn.command('XOVER %s-%s' % (fields[2], fields[3]))
    if not reply.startswith('224'):
        die('XOVER in %s: %s' % (group, reply))
    held = {}
    while True:
        line = conn.line()
        if line == '.':
            return held
        cols = line.split('\t')
        if len(cols) < 8 or not cols[0].isdigit() or not cols[6].isdigit():
            die('malformed overview line in %s: %r' % (group, line[:200]))
        held[cols[4]] = (int(cols[0]), int(cols[6]))


# ----------------------------------------------------------------- outputs ----

def write_atomic(path, text):
    tmp = path + '.tmp'
    with open(tmp, 'w', encoding='utf-8') as fh:
        fh.write(text)
    os.replace(tmp, path)


def nzb_text(files, held):
    out = ['<?xml version="1.0" encoding="utf-8"?>',
           '<!DOCTYPE nzb PUBLIC "-//newzBin//DTD NZB 1.1//EN" '
           '"http://www.newzbin.com/DTD/nzb/nzb-1.1.dtd">',
           '<nzb xmlns="http://www.newzbin.com/DTD/2003/nzb">']
    for f in files:
        mid = message_id('yenc', f['index'])
        out.append('  <file poster=%s date="1433152800" subject=%s>'
                   % (quoteattr(FROM), quoteattr(f['yenc_subject'])))
        out.append('    <groups><group>%s</group></groups>' % YENC_GROUP)
        out.append('    <segments><segment bytes="%d" number="1">%s</segment></segments>'
                   % (held[mid][1], escape(mid[1:-1])))
        out.append('  </file>')
    out.append('</nzb>')
    return '\n'.join(out) + '\n'


def group_summary(group, kind, files, held):
    articles = []
    for f in files:
        number, size = held[message_id(kind, f['index'])]
        articles.append({'name': f['name'], 'number': number, 'bytes': size,
                         'message_id': message_id(kind, f['index'])})
    return {'name': group, 'articles': articles,
            'article_bytes': sum(a['bytes'] for a in articles)}


# -------------------------------------------------------------------- main ----

def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    ap.add_argument('--out', required=True, help='folder for manifest.json and bench.nzb')
    ap.add_argument('--count', type=int, default=200, help='payloads (default 200)')
    ap.add_argument('--host', default='127.0.0.1')
    ap.add_argument('--port', type=int, default=int(os.environ.get('NEWSFIXTURE_PORT', '119')))
    args = ap.parse_args()
    if not 1 <= args.count <= 999:
        die('--count must be 1..999 (names have three digits)')
    if os.geteuid() != 0:
        die('must run as root: it feeds innd through its local socket and runs ctlinnd')

    conn = reader(args.host, args.port)
    for group in (UU_GROUP, YENC_GROUP):
        if not group_exists(conn, group):
            ctlinnd('newgroup', group, 'y')
            log('created group %s' % group)
    conn.close()
    # nnrpd reads the active file when a session starts: a fresh one sees the new groups.
    conn = reader(args.host, args.port)
    held_uu = overview(conn, UU_GROUP)
    held_yenc = overview(conn, YENC_GROUP)

    files = []
    posted = 0
    innd = None
    for index in range(1, args.count + 1):
        name = file_name(index)
        data = payload(index)
        entry = {'index': index, 'name': name, 'size': len(data),
                 'sha256': hashlib.sha256(data).hexdigest(),
                 'uu_subject': '%s (1/1)' % name,
                 'yenc_subject': '"%s" yEnc (1/1)' % name}
        files.append(entry)
        wanted = [('uu', UU_GROUP, entry['uu_subject'], held_uu, uu_body),
                  ('yenc', YENC_GROUP, entry['yenc_subject'], held_yenc, yenc_body)]
        for kind, group, subject, held, encode in wanted:
            if message_id(kind, index) in held:
                continue
            if innd is None:
                innd = feed(innconfval('pathrun'))
            lines = article(kind, index, group, subject, encode(data, name))
            posted += 1 if ihave(innd, message_id(kind, index), lines) else 0
        if posted and index % 50 == 0:
            log('%d of %d payloads done' % (index, args.count))
    if innd is not None:
        innd.close()
    log('%d articles posted' % posted)

    held_uu = overview(conn, UU_GROUP)
    held_yenc = overview(conn, YENC_GROUP)
    conn.close()
    for kind, held in (('uu', held_uu), ('yenc', held_yenc)):
        missing = [f['name'] for f in files if message_id(kind, f['index']) not in held]
        if missing:
            die('the server does not show %d %s articles after posting, e.g. %s'
                % (len(missing), kind, missing[0]))

    os.makedirs(args.out, exist_ok=True)
    manifest = {
        'format': 'corvane-pipeline-bench/1',
        'count': args.count,
        'files': [{'name': f['name'], 'size': f['size'], 'sha256': f['sha256']} for f in files],
        'payload_bytes': sum(f['size'] for f in files),
        'uu': group_summary(UU_GROUP, 'uu', files, held_uu),
        'yenc': group_summary(YENC_GROUP, 'yenc', files, held_yenc),
        'extra_articles': {UU_GROUP: len(held_uu) - args.count,
                           YENC_GROUP: len(held_yenc) - args.count},
    }
    write_atomic(os.path.join(args.out, 'manifest.json'), json.dumps(manifest, indent=1) + '\n')
    write_atomic(os.path.join(args.out, 'bench.nzb'), nzb_text(files, held_yenc))
    log('manifest and NZB written to %s (%d payloads, %.1f MB)'
        % (args.out, args.count, manifest['payload_bytes'] / 1e6))


if __name__ == '__main__':
    main()
