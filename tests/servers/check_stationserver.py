#!/usr/bin/env python3
"""Checks the station server from the outside, as a player meets it: starts it
with fresh certificates, then reads each route over HTTP and HTTPS and fails on
the first thing a player would trip over (a wrong type, a broken ICY frame, a
stream that comes too fast or stops, a playlist that leads elsewhere, a drop
that does not drop). Standard library only; about fifteen seconds.

    tests/servers/check_stationserver.py [--media-dir DIR]   (a temporary one by default)
"""

import argparse
import http.client
import json
import os
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
failures = []


def check(ok, what):
    print("%s %s" % ("ok  " if ok else "FAIL", what))
    if not ok:
        failures.append(what)
    return ok


def request(port, path, headers=None, context=None, host="127.0.0.1", timeout=5):
    if context:
        conn = http.client.HTTPSConnection(host, port, context=context, timeout=timeout)
    else:
        conn = http.client.HTTPConnection(host, port, timeout=timeout)
    conn.request("GET", path, headers=headers or {})
    return conn, conn.getresponse()


def body(port, path, **kw):
    conn, resp = request(port, path, **kw)
    data = resp.read()
    conn.close()
    return resp, data


class Stream:
    """A GET read straight off the socket: a stream has no length and is read
    for a time, or by exact counts for ICY framing."""

    def __init__(self, port, path, headers=None, context=None, host="127.0.0.1"):
        sock = socket.create_connection(("127.0.0.1", port), timeout=5)
        if context:
            sock = context.wrap_socket(sock, server_hostname=host)
        lines = ["GET %s HTTP/1.1" % path, "Host: %s:%d" % (host, port)]
        lines += ["%s: %s" % kv for kv in (headers or {}).items()]
        sock.sendall(("\r\n".join(lines) + "\r\n\r\n").encode())
        self.sock = sock
        self.buffer = b""
        while b"\r\n\r\n" not in self.buffer:
            part = sock.recv(4096)
            if not part:
                raise ConnectionError("closed before the headers")
            self.buffer += part
        head, self.buffer = self.buffer.split(b"\r\n\r\n", 1)
        head = head.decode("latin-1").split("\r\n")
        self.status = int(head[0].split()[1])
        self.headers = {k.strip().lower(): v.strip() for k, _, v in (l.partition(":") for l in head[1:])}

    def header(self, name):
        return self.headers.get(name.lower())

    def read_exactly(self, n):
        while len(self.buffer) < n:
            part = self.sock.recv(65536)
            if not part:
                raise ConnectionError("closed")
            self.buffer += part
        out, self.buffer = self.buffer[:n], self.buffer[n:]
        return out

    def read_for(self, seconds):
        """What the stream sends in the given time; stops early at its end."""
        got, self.buffer = bytearray(self.buffer), b""
        end = time.monotonic() + seconds
        self.sock.settimeout(0.05)
        try:
            while time.monotonic() < end:
                try:
                    part = self.sock.recv(65536)
                except socket.timeout:
                    continue
                if not part:
                    self.ended = True
                    break
                got += part
        finally:
            self.sock.settimeout(5)
        return bytes(got)

    def close(self):
        self.sock.close()


MAGIC = {
    "/tone.mp3": lambda b: b[0] == 0xFF and b[1] & 0xE0 == 0xE0,
    "/tone.aac": lambda b: b[0] == 0xFF and b[1] & 0xF6 == 0xF0,
    "/tone.ogg": lambda b: b[:4] == b"OggS" and b"\x01vorbis" in b[:64],
    "/titled.ogg": lambda b: b[:4] == b"OggS" and b"\x01vorbis" in b[:64],
    "/tone.opus": lambda b: b[:4] == b"OggS" and b"OpusHead" in b[:64],
    "/tone.flac": lambda b: b[:4] == b"fLaC",
}
TYPES = {
    "/tone.mp3": "audio/mpeg", "/tone.aac": "audio/aac", "/tone.ogg": "audio/ogg",
    "/titled.ogg": "audio/ogg", "/tone.opus": "audio/ogg; codecs=opus", "/tone.flac": "audio/flac",
}


def check_streams(port, media):
    for path, ctype in TYPES.items():
        size = os.path.getsize(os.path.join(media, path.lstrip("/")))
        rate = size / 20.0
        stream = Stream(port, path)
        burst = stream.read_for(0.3)
        more = stream.read_for(1.5)
        stream.close()
        check(stream.status == 200 and stream.header("Content-Type") == ctype
              and stream.header("Content-Length") is None, "%s answers 200 %s with no length" % (path, ctype))
        check(len(burst) > 4 and MAGIC[path](burst), "%s starts with its codec's own bytes" % path)
        # The burst is about two seconds at once; after it, real time: a stream
        # that sent all at once or stalled would be caught here.
        check(1.5 * rate <= len(burst) <= 2.6 * rate, "%s bursts about 2 s on connect (%.1f s)" % (path, len(burst) / rate))
        check(1.0 * rate <= len(more) <= 2.0 * rate, "%s then keeps real time (%.2f s in 1.5 s)" % (path, len(more) / rate))


def icy_blocks(port, count):
    stream = Stream(port, "/tone.mp3", {"Icy-MetaData": "1"})
    metaint = int(stream.header("icy-metaint") or 0)
    blocks = []
    for _ in range(count):
        audio = stream.read_exactly(metaint)
        length = stream.read_exactly(1)[0] * 16
        blocks.append((audio, stream.read_exactly(length)))
    stream.close()
    return metaint, blocks


def mp3_frames_chain(data):
    """True when data is MPEG-1 Layer III frames back to back (the last may be cut)."""
    bitrates = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320]
    rates = [44100, 48000, 32000]
    pos = frames = 0
    while pos + 4 <= len(data):
        h = data[pos:pos + 4]
        if h[0] != 0xFF or h[1] & 0xFE != 0xFA:
            return False
        b, r = h[2] >> 4, (h[2] >> 2) & 3
        if b in (0, 15) or r == 3:
            return False
        pos += 144000 * bitrates[b] // rates[r] + ((h[2] >> 1) & 1)
        frames += 1
    return frames > 100


def check_icy(port):
    metaint, blocks = icy_blocks(port, 2)
    check(metaint == 16000, "ICY: icy-metaint 16000 when asked")
    check(all(b == b"" for _, b in blocks), "ICY: no title yet is a zero length byte")
    # With the blocks taken out at every metaint, the rest must be the MP3 as
    # it was: a block put a byte off breaks the chain of frames.
    _, blocks = icy_blocks(port, 4)
    check(mp3_frames_chain(b"".join(a for a, _ in blocks)), "ICY: the audio between blocks is unbroken MP3")
    title = "It's \x01\x02 a test\x7f"
    body(port, "/control/title?text=" + urllib.parse.quote(title))
    _, blocks = icy_blocks(port, 1)
    want = b"StreamTitle='" + title.encode() + b"';"
    got = blocks[0][1]
    check(got.rstrip(b"\0") == want and len(got) % 16 == 0, "ICY: title sent byte for byte, quote kept, padded")
    body(port, "/control/title?text=" + "A" * 5000)
    _, blocks = icy_blocks(port, 1)
    got = blocks[0][1]
    check(len(got) == 255 * 16 and got.startswith(b"StreamTitle='AAA") and got.endswith(b"';"),
          "ICY: a 5000-character title is cut to 255 units and still closed")
    _, resp = body(port, "/control/title?text=")
    _, blocks = icy_blocks(port, 1)
    check(blocks[0][1].rstrip(b"\0") == b"StreamTitle='';", "ICY: an emptied title is sent empty")
    stream = Stream(port, "/tone.mp3")
    check(stream.header("icy-metaint") is None and stream.header("icy-br") == "128",
          "ICY: no metadata unless asked; icy-br 128")
    stream.close()


def entries(text):
    return [line.split("=", 1)[1] for line in text.splitlines() if line.startswith("File")]


def check_playlists(port, tls_port, context):
    tone = "http://127.0.0.1:%d/tone.mp3" % port
    for path, ctype, finds in (
            ("/list.pls", "audio/x-scpls", lambda t: entries(t) == [tone]),
            ("/station?id=7", "audio/x-scpls", lambda t: entries(t) == [tone]),
            ("/station-sniff", "text/plain", lambda t: entries(t) == [tone]),
            ("/list.m3u", "audio/x-mpegurl", lambda t: t.startswith("#EXTM3U") and tone in t.splitlines()),
            ("/list.xspf", "application/xspf+xml", lambda t: "<location>%s</location>" % tone in t),
            ("/list.asx", "video/x-ms-asf", lambda t: '<ref href="%s"/>' % tone in t and 'version="3.0"' in t),
            ("/nested.m3u", "audio/x-mpegurl",
             lambda t: "http://127.0.0.1:%d/list.pls" % port in t.splitlines())):
        resp, data = body(port, path)
        check(resp.status == 200 and resp.getheader("Content-Type") == ctype and finds(data.decode()),
              "%s: %s leading to this server's tone" % (path, ctype))
    resp, data = body(port, "/dead-first.pls")
    found = entries(data.decode())
    dead_ok = False
    if len(found) == 2 and found[1] == tone:
        dead = urllib.parse.urlsplit(found[0])
        try:
            socket.create_connection((dead.hostname, dead.port), timeout=1).close()
        except ConnectionRefusedError:
            dead_ok = True
    check(dead_ok, "/dead-first.pls: first entry refused, second the tone")
    resp, data = body(port, "/huge.m3u")
    lines = [l for l in data.decode().splitlines() if l and not l.startswith("#")]
    check(len(lines) == 20001 and lines[-1] == tone and lines[0] == "http://127.0.0.1:9/x0.mp3",
          "/huge.m3u: 20000 dead entries, then the tone")
    resp, data = body(tls_port, "/list.pls", context=context, host="localhost")
    check(entries(data.decode()) == ["https://localhost:%d/tone.mp3" % tls_port],
          "/list.pls over TLS leads to the tone over TLS")


def check_hls(port):
    resp, data = body(port, "/hls/tone.m3u8")
    text = data.decode()
    segments = [l for l in text.splitlines() if l and not l.startswith("#")]
    ok = resp.getheader("Content-Type") == "application/vnd.apple.mpegurl" and "#EXT-X-ENDLIST" in text
    check(ok and 8 <= len(segments) <= 12, "HLS: an ended playlist of ~2 s segments (%d)" % len(segments))
    resp, data = body(port, "/hls/" + segments[0])
    check(resp.getheader("Content-Type") == "video/mp2t" and data[:1] == b"\x47" and len(data) % 188 == 0,
          "HLS: segments are MPEG-TS")
    resp, _ = body(port, "/hls/../tone.mp3")
    check(resp.status == 404, "HLS: nothing outside its folder")


def check_failures(port):
    resp, data = body(port, "/notfound")
    check(resp.status == 404 and resp.getheader("Content-Type").startswith("text/html") and b"<html" in data,
          "/notfound: 404 with an HTML body")
    resp, data = body(port, "/page")
    check(resp.status == 200 and resp.getheader("Content-Type").startswith("text/html"), "/page: a web page")
    quiet = socket.create_connection(("127.0.0.1", port))
    quiet.sendall(b"GET /silent HTTP/1.0\r\n\r\n")
    quiet.settimeout(1.0)
    try:
        answered = quiet.recv(1) != b""
    except socket.timeout:
        answered = False
    meanwhile, _ = body(port, "/list.pls", timeout=1)
    check(not answered and meanwhile.status == 200, "/silent: no answer, and the others go on meanwhile")
    quiet.close()


def check_flaky(port):
    stream = Stream(port, "/flaky.mp3")
    stream.read_for(0.3)
    before = json.loads(body(port, "/control/stats")[1])
    body(port, "/control/drop")
    t0 = time.monotonic()
    stream.ended = False
    tail = stream.read_for(2.0)
    closed_after = time.monotonic() - t0
    stream.close()
    check(stream.ended and closed_after < 1.0, "/control/drop: an open stream ends at once (%.2f s, %d bytes after)"
          % (closed_after, len(tail)))
    try:
        body(port, "/flaky.mp3", timeout=2)
        gone = False
    except (http.client.RemoteDisconnected, ConnectionResetError):
        gone = True
    check(gone, "while dropped: a new connection closes without an answer")
    body(port, "/control/restore")
    stream = Stream(port, "/flaky.mp3")
    check(stream.status == 200 and len(stream.read_for(0.3)) > 0, "/control/restore: the station is back")
    stream.close()
    after = json.loads(body(port, "/control/stats")[1])
    check(after["requests"].get("/flaky.mp3", 0) == before["requests"].get("/flaky.mp3", 0) + 2,
          "/control/stats counts the reconnects")


def check_tls(tls_port, wrong_port, context):
    for host in ("localhost", "127.0.0.1"):
        stream = Stream(tls_port, "/tone.ogg", context=context, host=host)
        check(stream.status == 200 and stream.read_exactly(4) == b"OggS",
              "TLS: the trusted certificate holds for %s" % host)
        stream.close()
    try:
        request(wrong_port, "/tone.mp3", context=context, host="localhost")
        mismatch = False
    except ssl.SSLCertVerificationError as e:
        mismatch = "match" in str(e) or "hostname" in str(e).lower()
    check(mismatch, "TLS: the wrong port's certificate fails on the name alone")
    try:
        request(tls_port, "/tone.mp3", context=ssl.create_default_context(), host="localhost")
        untrusted = False
    except ssl.SSLCertVerificationError:
        untrusted = True
    check(untrusted, "TLS: not trusted without the test CA")
    resp, _ = body(tls_port, "/control/stats", context=context, host="localhost")
    check(resp.status == 404, "TLS: no control routes")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--media-dir")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="sonaveo-stationcheck.") as work:
        media = args.media_dir or os.path.join(work, "media")
        certs = os.path.join(work, "certs")
        subprocess.run([os.path.join(HERE, "make-test-certs.sh"), certs], check=True)
        ports = {n: os.path.join(work, n) for n in ("plain", "tls", "wrong")}
        server = subprocess.Popen([
            sys.executable, os.path.join(HERE, "stationserver.py"), "--media-dir", media,
            "--port-file", ports["plain"],
            "--tls-cert", os.path.join(certs, "server.pem"), "--tls-key", os.path.join(certs, "server.key"),
            "--tls-port-file", ports["tls"],
            "--wrong-cert", os.path.join(certs, "wrong.pem"), "--wrong-key", os.path.join(certs, "wrong.key"),
            "--wrong-port-file", ports["wrong"]])
        try:
            end = time.monotonic() + 20
            while time.monotonic() < end and not all(os.path.exists(p) for p in ports.values()):
                if server.poll() is not None:
                    break
                time.sleep(0.05)
            if not check(all(os.path.exists(p) for p in ports.values()), "the server writes its ports"):
                return 1
            port, tls_port, wrong_port = (int(open(ports[n]).read()) for n in ("plain", "tls", "wrong"))
            context = ssl.create_default_context(cafile=os.path.join(certs, "ca.pem"))
            check_streams(port, media)
            check_icy(port)
            check_playlists(port, tls_port, context)
            check_hls(port)
            check_failures(port)
            check_flaky(port)
            check_tls(tls_port, wrong_port, context)
        finally:
            t0 = time.monotonic()
            server.send_signal(signal.SIGTERM)
            try:
                code = server.wait(5)
            except subprocess.TimeoutExpired:
                server.kill()
                code = None
            check(code == 0 and time.monotonic() - t0 < 2, "SIGTERM: the server stops cleanly and soon")
    print("%d failed" % len(failures) if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
