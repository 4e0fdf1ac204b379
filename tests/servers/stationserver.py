#!/usr/bin/env python3
"""The stations a listener tunes to, served on 127.0.0.1 for the end-to-end tests
and the benchmarks: live-paced streams in each codec a station sends, ICY titles,
playlists in each format, HLS, TLS with a good and a wrong certificate, and the
ways a station fails (missing, a web page, silence, dropping and coming back).

    stationserver.py --media-dir DIR --port-file FILE
        [--tls-cert CERT --tls-key KEY --tls-port-file FILE2]
        [--wrong-cert CERT2 --wrong-key KEY2 --wrong-port-file FILE3]
        [--burst-seconds S] [--verbose]

The media are made with gst-launch-1.0 into DIR the first time (kept there for
later starts). Each port file gets its port number once that port serves, so a
script waits for the file. Runs until SIGTERM or SIGINT.

Routes, on every port unless said otherwise:
  /tone.mp3 /tone.aac /tone.ogg /tone.opus /tone.flac /titled.ogg /flaky.mp3
        endless streams: a burst (2 s of audio), then real time, the file looped
  /hls/tone.m3u8 and its segments      HLS, video on demand
  /list.pls /list.m3u /list.xspf /list.asx /station?id=.. /station-sniff
  /dead-first.pls /nested.m3u /huge.m3u playlists leading to /tone.mp3 here
  /notfound /page /silent               failures
  /control/title?text=.. /control/drop /control/restore /control/stats
        (plain port only)
"""

import argparse
import html
import json
import os
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

TONE_SECONDS = 20
# Icecast sends what it holds of the stream at once on connect; players count on
# it to fill their buffer before they start. --burst-seconds changes it.
BURST_SECONDS = 2.0
# Real-time sending goes out in pieces of about this length, as a server's writes do.
PIECE_SECONDS = 0.05
ICY_METAINT = 16000
# A metadata block's length is one byte counting 16-byte units.
ICY_MAX_BLOCK = 255 * 16
STATION_NAME = "Sonaveo Test Tone"
TONE_TITLE = "Sonaveo Tone"
OGG_TITLE = "Ogg Tone Title"
OGG_ARTIST = "Sonaveo Test"
HUGE_ENTRIES = 20000

# audiotestsrc in whole 10 ms buffers, so the tone lasts exactly TONE_SECONDS.
SOURCE = [
    "audiotestsrc", "wave=sine", "freq=440", "volume=0.5", "samplesperbuffer=441",
    "num-buffers=%d" % (TONE_SECONDS * 100), "!",
    "audio/x-raw,rate=44100,channels=2", "!", "audioconvert", "!",
]
MP3_ENCODER = ["lamemp3enc", "target=bitrate", "cbr=true", "bitrate=128"]
# In the order tried; the first that exists makes the AAC.
AAC_ENCODERS = [
    ["voaacenc", "bitrate=128000"],
    ["avenc_aac", "bitrate=128000"],
    ["fdkaacenc", "bitrate=128000"],
]


def log(message):
    print("stationserver: " + message, file=sys.stderr, flush=True)


# ---------------------------------------------------------------------------
# Media

def gst_launch(elements, timeout=60):
    """Runs a pipeline to its end; returns gst-launch's complaint or None."""
    try:
        done = subprocess.run(["gst-launch-1.0", "-q"] + elements, capture_output=True, text=True,
                              timeout=timeout)
    except FileNotFoundError:
        return "gst-launch-1.0 is not installed"
    except subprocess.TimeoutExpired:
        return "gst-launch-1.0 did not finish in %d s" % timeout
    if done.returncode == 0:
        return None
    return (done.stderr or done.stdout).strip() or "gst-launch-1.0 exited with %d" % done.returncode


def element_exists(name):
    return subprocess.run(["gst-inspect-1.0", "--exists", name], capture_output=True).returncode == 0


def make_file(path, encode):
    """Encodes the tone into path through encode (the elements after the source,
    up to the sink), unless path is there already. A half-written file never takes
    the final name, so a start that was cut short does not leave a broken cache."""
    if os.path.exists(path):
        return None
    part = path + ".part"
    problem = gst_launch(SOURCE + encode + ["!", "filesink", "location=" + part])
    if problem is None and os.path.getsize(part) > 0:
        os.replace(part, path)
        return None
    if os.path.exists(part):
        os.remove(part)
    return problem or "empty output"


def make_hls(folder, encoder):
    if os.path.exists(os.path.join(folder, "tone.m3u8")):
        return None
    part = folder + ".part"
    shutil.rmtree(part, ignore_errors=True)
    os.makedirs(part)
    playlist = os.path.join(part, "tone.m3u8")
    elements = SOURCE + encoder + [
        "!", "h.audio", "hlssink2", "name=h", "target-duration=2", "max-files=0", "playlist-length=0",
        "location=" + os.path.join(part, "segment%05d.ts"), "playlist-location=" + playlist]
    # hlssink2 (1.22) now and then writes everything, ends the playlist and then
    # never lets gst-launch-1.0 finish. The playlist's end mark is written last,
    # so once it is there the work is done, whatever the process does after.
    problem = None
    process = subprocess.Popen(["gst-launch-1.0", "-q"] + elements, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, text=True)
    give_up = time.monotonic() + 60
    ended = False
    while time.monotonic() < give_up and process.poll() is None:
        try:
            with open(playlist, encoding="utf-8") as f:
                ended = "#EXT-X-ENDLIST" in f.read()
        except OSError:
            ended = False
        if ended:
            break
        time.sleep(0.05)
    if process.poll() is None:
        try:
            process.wait(0.5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    said = process.stderr.read().strip()
    process.stderr.close()
    if not ended:
        try:
            with open(playlist, encoding="utf-8") as f:
                ended = "#EXT-X-ENDLIST" in f.read()
        except OSError:
            pass
    if not ended:
        problem = said or "gst-launch-1.0 exited with %s before the playlist was complete" % process.returncode
    if problem is None:
        with open(playlist, encoding="utf-8") as f:
            text = f.read()
        # hlssink2 ends the list on EOS but does not say it is on demand, and
        # leaves the last line without its line end.
        if "#EXT-X-PLAYLIST-TYPE" not in text:
            text = text.replace("#EXT-X-VERSION:3\n", "#EXT-X-VERSION:3\n#EXT-X-PLAYLIST-TYPE:VOD\n", 1)
        if not text.endswith("\n"):
            text += "\n"
        with open(playlist, "w", encoding="utf-8") as f:
            f.write(text)
        shutil.rmtree(folder, ignore_errors=True)
        os.replace(part, folder)
        return None
    shutil.rmtree(part, ignore_errors=True)
    return problem


def make_media(media_dir):
    """Makes what is missing in media_dir and returns {name: path} of what is
    there; a format whose encoder is missing is left out, with a line on stderr."""
    os.makedirs(media_dir, exist_ok=True)
    path = lambda name: os.path.join(media_dir, name)
    # gst-launch-1.0 joins its arguments with spaces and parses the line: a value
    # with spaces is quoted whole, and the tag list's own quotes escaped inside it.
    titled = ["taginject",
              'tags="title=\\"%s\\",artist=\\"%s\\""' % (OGG_TITLE, OGG_ARTIST), "!"]
    jobs = {
        "tone.mp3": lambda: make_file(path("tone.mp3"), MP3_ENCODER),
        "tone.ogg": lambda: make_file(path("tone.ogg"), ["vorbisenc", "!", "oggmux"]),
        "titled.ogg": lambda: make_file(path("titled.ogg"), titled + ["vorbisenc", "!", "oggmux"]),
        # Opus is coded at 48 kHz only.
        "tone.opus": lambda: make_file(path("tone.opus"), ["audioresample", "!", "opusenc", "!", "oggmux"]),
        "tone.flac": lambda: make_file(path("tone.flac"), ["flacenc"]),
    }
    problems = {}

    def make_aac_and_hls():
        # HLS carries AAC, as stations' HLS does; MPEG audio when there is no AAC encoder.
        if os.path.exists(path("tone.aac")) and os.path.exists(path("hls/tone.m3u8")):
            return
        encoder = next((e for e in AAC_ENCODERS if element_exists(e[0])), None)
        if encoder is None:
            problems["tone.aac"] = "no AAC encoder (tried %s)" % ", ".join(e[0] for e in AAC_ENCODERS)
            log("HLS segments carry MP3 instead of AAC")
            problems["hls"] = make_hls(path("hls"), MP3_ENCODER + ["!", "mpegaudioparse"])
            return
        problems["tone.aac"] = make_file(path("tone.aac"), encoder + ["!", "aacparse", "!",
                                                                      "audio/mpeg,stream-format=adts"])
        problems["hls"] = make_hls(path("hls"), encoder + ["!", "aacparse"])

    # Short pipelines; side by side they take about the time of the longest.
    threads = [threading.Thread(target=lambda n=n, j=j: problems.__setitem__(n, j()))
               for n, j in jobs.items()]
    threads.append(threading.Thread(target=make_aac_and_hls))
    for t in threads:
        t.start()
    for t in threads:
        t.join()

    for name, problem in sorted(problems.items()):
        if problem:
            first = problem.splitlines()[0] if problem else ""
            log("could not make %s, its routes are left out: %s" % (name, first))
    made = {}
    for name in ("tone.mp3", "tone.aac", "tone.ogg", "titled.ogg", "tone.opus", "tone.flac"):
        if os.path.exists(path(name)):
            made[name] = path(name)
    if os.path.exists(path("hls/tone.m3u8")):
        made["hls"] = path("hls")
    return made


# ---------------------------------------------------------------------------
# Looping a file into an endless stream

def _ogg_crc_table():
    table = []
    for i in range(256):
        r = i << 24
        for _ in range(8):
            r = ((r << 1) ^ 0x04C11DB7) if r & 0x80000000 else (r << 1)
        table.append(r & 0xFFFFFFFF)
    return table


_OGG_CRC = _ogg_crc_table()


def ogg_crc(data):
    crc = 0
    table = _OGG_CRC
    for b in data:
        crc = ((crc << 8) & 0xFFFFFFFF) ^ table[(crc >> 24) ^ b]
    return crc


def ogg_with_other_serials(data):
    """The same Ogg file with every logical stream's serial number changed. A
    chained stream whose links follow each other with the same serial is not a
    chain to a demuxer (it takes the second link's headers for stray packets of
    the first), so the loop alternates this copy with the original."""
    out = bytearray(data)
    pos = 0
    while pos + 27 <= len(out):
        if out[pos:pos + 4] != b"OggS":
            raise ValueError("not an Ogg page at byte %d" % pos)
        segments = out[pos + 26]
        size = 27 + segments + sum(out[pos + 27:pos + 27 + segments])
        serial = int.from_bytes(out[pos + 14:pos + 18], "little")
        out[pos + 14:pos + 18] = (serial ^ 0x5A5A5A5A).to_bytes(4, "little")
        out[pos + 22:pos + 26] = b"\0\0\0\0"
        out[pos + 22:pos + 26] = ogg_crc(bytes(out[pos:pos + size])).to_bytes(4, "little")
        pos += size
    return bytes(out)


def flac_frames(data):
    """The audio frames of a native FLAC file, without the "fLaC" mark and the
    metadata blocks: a live FLAC stream has one header, then frames."""
    if data[:4] != b"fLaC":
        raise ValueError("not a FLAC file")
    pos = 4
    while True:
        header = data[pos]
        length = int.from_bytes(data[pos + 1:pos + 4], "big")
        pos += 4 + length
        if header & 0x80:
            return data[pos:]


class Loop:
    """What a stream sends: `first` once, then the pieces of `again` in turn, forever."""

    def __init__(self, first, again, content_type, bytes_per_second, icy_br=None):
        self.first = first
        self.again = again
        self.content_type = content_type
        self.bytes_per_second = bytes_per_second
        self.icy_br = icy_br

    def reader(self):
        parts = [self.first]
        index = [0]
        offset = [0]

        def read(n):
            out = bytearray()
            while len(out) < n:
                part = parts[0]
                take = part[offset[0]:offset[0] + n - len(out)]
                out += take
                offset[0] += len(take)
                if offset[0] >= len(part):
                    parts[0] = self.again[index[0] % len(self.again)]
                    index[0] += 1
                    offset[0] = 0
            return bytes(out)
        return read


def make_loops(media):
    loops = {}

    def rate(data):
        return len(data) / TONE_SECONDS

    def read(name):
        with open(media[name], "rb") as f:
            return f.read()

    if "tone.mp3" in media:
        data = read("tone.mp3")
        loops["/tone.mp3"] = Loop(data, [data], "audio/mpeg", rate(data), icy_br=128)
        loops["/flaky.mp3"] = loops["/tone.mp3"]
    if "tone.aac" in media:
        data = read("tone.aac")
        loops["/tone.aac"] = Loop(data, [data], "audio/aac", rate(data))
    for name, route, ctype in (("tone.ogg", "/tone.ogg", "audio/ogg"),
                               ("titled.ogg", "/titled.ogg", "audio/ogg"),
                               ("tone.opus", "/tone.opus", "audio/ogg; codecs=opus")):
        if name in media:
            data = read(name)
            other = ogg_with_other_serials(data)
            loops[route] = Loop(data, [other, data], ctype, rate(data))
    if "tone.flac" in media:
        data = read("tone.flac")
        frames = flac_frames(data)
        loops["/tone.flac"] = Loop(data, [frames], "audio/flac", rate(data))
    return loops


def icy_block(title):
    """One ICY metadata block: a zero byte while no title was ever set, else
    StreamTitle='...'; cut to what the length byte can count and padded with
    zeros to whole 16-byte units. The title goes in byte for byte, quotes and
    control characters too, as stations send them."""
    if title is None:
        return b"\0"
    head, tail = b"StreamTitle='", b"';"
    body = head + title[:ICY_MAX_BLOCK - len(head) - len(tail)] + tail
    body += b"\0" * (-len(body) % 16)
    return bytes([len(body) // 16]) + body


# ---------------------------------------------------------------------------
# Shared state

class Stations:
    def __init__(self, media, loops):
        self.media = media
        self.loops = loops
        self.lock = threading.Lock()
        self.stop = threading.Event()
        self.title = None  # bytes once set
        self.dropped = False
        self.requests = {}
        self.requests_by_listener = {}
        self.open = {}  # socket -> path, for the connections held open
        # A port that refuses connections for as long as the server runs: bound,
        # so nothing else takes it, but not listening.
        self.dead_socket = socket.socket()
        self.dead_socket.bind(("127.0.0.1", 0))
        self.dead_port = self.dead_socket.getsockname()[1]

    def count(self, listener, path):
        with self.lock:
            self.requests[path] = self.requests.get(path, 0) + 1
            mine = self.requests_by_listener.setdefault(listener, {})
            mine[path] = mine.get(path, 0) + 1

    def hold(self, sock, path):
        with self.lock:
            self.open[sock] = path

    def release(self, sock):
        with self.lock:
            self.open.pop(sock, None)

    def cut(self, path=None):
        """Closes the held connections (of one path, or all) under their threads."""
        with self.lock:
            victims = [s for s, p in self.open.items() if path is None or p == path]
        for s in victims:
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def stats(self):
        with self.lock:
            open_counts = {}
            for p in self.open.values():
                open_counts[p] = open_counts.get(p, 0) + 1
            return {
                "requests": dict(self.requests),
                "requests_by_listener": {k: dict(v) for k, v in self.requests_by_listener.items()},
                "open": open_counts,
                "dropped": self.dropped,
                "title": None if self.title is None else self.title.decode("latin-1"),
            }


# ---------------------------------------------------------------------------
# HTTP

PAGE = b"""<!DOCTYPE html>
<html><head><title>Sonaveo test station</title></head>
<body><h1>Welcome</h1><p>This is a web page, not a stream.</p></body></html>
"""
NOT_FOUND = b"""<!DOCTYPE html>
<html><head><title>404 Not Found</title></head>
<body><h1>Not Found</h1><p>The requested URL was not found on this server.</p></body></html>
"""


def pls(urls):
    lines = ["[playlist]"]
    for i, url in enumerate(urls, 1):
        lines += ["File%d=%s" % (i, url), "Title%d=%s" % (i, TONE_TITLE), "Length%d=-1" % i]
    lines += ["NumberOfEntries=%d" % len(urls), "Version=2", ""]
    return "\n".join(lines).encode()


def m3u(urls):
    lines = ["#EXTM3U"]
    for url in urls:
        lines += ["#EXTINF:-1,%s" % TONE_TITLE, url]
    return ("\n".join(lines) + "\n").encode()


def xspf(url):
    return ("""<?xml version="1.0" encoding="UTF-8"?>
<playlist version="1" xmlns="http://xspf.org/ns/0/">
  <trackList>
    <track>
      <location>%s</location>
      <title>%s</title>
    </track>
  </trackList>
</playlist>
""" % (html.escape(url), TONE_TITLE)).encode()


def asx(url):
    return ("""<asx version="3.0">
  <title>%s</title>
  <entry>
    <title>%s</title>
    <ref href="%s"/>
  </entry>
</asx>
""" % (STATION_NAME, TONE_TITLE, html.escape(url))).encode()


def huge_m3u(good):
    lines = ["#EXTM3U"] + ["http://127.0.0.1:9/x%d.mp3" % n for n in range(HUGE_ENTRIES)] + [good, ""]
    return "\n".join(lines).encode()


class Handler(BaseHTTPRequestHandler):
    # Stations answer HTTP/1.0 and close: no Content-Length on a stream.
    protocol_version = "HTTP/1.0"
    server_version = "SonaveoStationServer/1.0"

    def version_string(self):
        return self.server_version

    def setup(self):
        # The TLS handshake runs here, in the connection's own thread, so a
        # client that never finishes it holds up no one else.
        if isinstance(self.request, ssl.SSLSocket):
            self.request.settimeout(10)
            self.request.do_handshake()
            self.request.settimeout(None)
        super().setup()

    def log_message(self, fmt, *args):
        if self.server.verbose:
            super().log_message(fmt, *args)

    def do_HEAD(self):
        self.answer(with_body=False)

    def do_GET(self):
        self.answer(with_body=True)

    # -- helpers --

    @property
    def stations(self):
        return self.server.stations

    def base_url(self):
        scheme = "https" if self.server.tls else "http"
        host = self.headers.get("Host") or ("%s:%d" % (
            "localhost" if self.server.tls else "127.0.0.1", self.server.server_address[1]))
        return "%s://%s" % (scheme, host)

    def reply(self, code, content_type, body, extra=()):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        # Whole answers only: a client that asks for a range gets all of it.
        self.send_header("Accept-Ranges", "none")
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        if self.with_body:
            self.wfile.write(body)

    def not_found(self):
        self.reply(404, "text/html; charset=utf-8", NOT_FOUND)

    # -- routes --

    def answer(self, with_body):
        self.with_body = with_body
        url = urllib.parse.urlsplit(self.path)
        path = url.path
        self.stations.count(self.server.name, path)
        try:
            self.route(path, url.query)
        except (ConnectionError, ssl.SSLError, socket.timeout, OSError):
            # The listener went away, or the connection was cut on purpose.
            self.close_connection = True

    def route(self, path, query):
        st = self.stations
        base = self.base_url()
        tone = base + "/tone.mp3"
        if path.startswith("/control/"):
            if self.server.tls:
                return self.not_found()
            return self.control(path, query)
        if path == "/flaky.mp3" and st.dropped:
            # Down: the connection closes without a word, as a station whose
            # server has gone does.
            self.close_connection = True
            return
        if path in st.loops:
            return self.stream(path, st.loops[path])
        if path.startswith("/hls/") and "hls" in st.media:
            return self.hls_file(path[len("/hls/"):])
        if path == "/list.pls":
            return self.reply(200, "audio/x-scpls", pls([tone]))
        if path == "/station":
            return self.reply(200, "audio/x-scpls", pls([tone]))
        if path == "/station-sniff":
            return self.reply(200, "text/plain", pls([tone]))
        if path == "/dead-first.pls":
            dead = "http://127.0.0.1:%d/dead.mp3" % st.dead_port
            return self.reply(200, "audio/x-scpls", pls([dead, tone]))
        if path == "/list.m3u":
            return self.reply(200, "audio/x-mpegurl", m3u([tone]))
        if path == "/nested.m3u":
            return self.reply(200, "audio/x-mpegurl", m3u([base + "/list.pls"]))
        if path == "/huge.m3u":
            return self.reply(200, "audio/x-mpegurl", huge_m3u(tone))
        if path == "/list.xspf":
            return self.reply(200, "application/xspf+xml", xspf(tone))
        if path == "/list.asx":
            return self.reply(200, "video/x-ms-asf", asx(tone))
        if path == "/page":
            return self.reply(200, "text/html; charset=utf-8", PAGE)
        if path == "/silent":
            return self.silent()
        return self.not_found()

    def control(self, path, query):
        st = self.stations
        if path == "/control/title":
            # Form encoding: '+' is a space; a literal plus comes as %2B.
            text = b""
            for field in query.encode("latin-1").split(b"&"):
                name, _, value = field.partition(b"=")
                if name == b"text":
                    text = urllib.parse.unquote_to_bytes(value.replace(b"+", b" "))
            with st.lock:
                st.title = text
            return self.reply(200, "text/plain", b"ok")
        if path == "/control/drop":
            with st.lock:
                st.dropped = True
            st.cut("/flaky.mp3")
            return self.reply(200, "text/plain", b"ok")
        if path == "/control/restore":
            with st.lock:
                st.dropped = False
            return self.reply(200, "text/plain", b"ok")
        if path == "/control/stats":
            return self.reply(200, "application/json", json.dumps(st.stats(), sort_keys=True).encode())
        return self.not_found()

    def hls_file(self, name):
        folder = self.stations.media["hls"]
        if "/" in name or name.startswith(".") or not os.path.isfile(os.path.join(folder, name)):
            return self.not_found()
        with open(os.path.join(folder, name), "rb") as f:
            body = f.read()
        if name.endswith(".m3u8"):
            ctype = "application/vnd.apple.mpegurl"
        elif name.endswith(".aac"):
            ctype = "audio/aac"
        else:
            ctype = "video/mp2t"
        self.reply(200, ctype, body)

    def stream(self, path, loop):
        st = self.stations
        icy = path.endswith(".mp3") and self.headers.get("Icy-MetaData", "").strip() == "1"
        self.send_response(200)
        self.send_header("Content-Type", loop.content_type)
        self.send_header("icy-name", STATION_NAME)
        if loop.icy_br:
            self.send_header("icy-br", str(loop.icy_br))
        if icy:
            self.send_header("icy-metaint", str(ICY_METAINT))
        self.send_header("Cache-Control", "no-cache, no-store")
        self.send_header("Connection", "close")
        self.end_headers()
        if not self.with_body:
            return
        sock = self.connection
        st.hold(sock, path)
        try:
            self.pace(loop, icy)
        finally:
            st.release(sock)
            self.close_connection = True

    def pace(self, loop, icy):
        st = self.stations
        read = loop.reader()
        rate = loop.bytes_per_second
        burst = int(rate * self.server.burst_seconds)
        piece = max(1, int(rate * PIECE_SECONDS))
        until_meta = ICY_METAINT
        sent = 0
        start = time.monotonic()
        while not st.stop.is_set():
            due = burst + int(rate * (time.monotonic() - start)) - sent
            if due < piece:
                st.stop.wait((piece - due) / rate)
                continue
            audio = read(due)
            sent += len(audio)
            if icy:
                out = bytearray()
                while audio:
                    take = audio[:until_meta]
                    out += take
                    audio = audio[len(take):]
                    until_meta -= len(take)
                    if until_meta == 0:
                        with st.lock:
                            title = st.title
                        out += icy_block(title)
                        until_meta = ICY_METAINT
                audio = bytes(out)
            self.wfile.write(audio)

    def silent(self):
        # Takes the request and never answers, until the client gives up or the
        # server stops; other connections go on meanwhile.
        st = self.stations
        sock = self.connection
        st.hold(sock, "/silent")
        try:
            sock.settimeout(0.25)
            while not st.stop.is_set():
                try:
                    if not sock.recv(4096):
                        break
                except socket.timeout:
                    continue
                except ssl.SSLWantReadError:
                    continue
        finally:
            st.release(sock)
            self.close_connection = True


class Listener(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, name, stations, context=None, verbose=False, burst_seconds=BURST_SECONDS):
        self.name = name
        self.burst_seconds = burst_seconds
        self.stations = stations
        self.context = context
        self.tls = context is not None
        self.verbose = verbose
        super().__init__(("127.0.0.1", 0), Handler)

    def get_request(self):
        sock, address = super().get_request()
        if self.context is not None:
            sock = self.context.wrap_socket(sock, server_side=True, do_handshake_on_connect=False)
        return sock, address

    def handle_error(self, request, client_address):
        # A client that hung up or refused the certificate is what some tests
        # are about; only something else deserves a trace.
        kind = sys.exc_info()[0]
        if kind and issubclass(kind, (ConnectionError, ssl.SSLError, socket.timeout, OSError)):
            if self.verbose:
                log("%s: %s" % (self.name, sys.exc_info()[1]))
            return
        super().handle_error(request, client_address)


def write_port(path, port):
    # Written whole under another name, then renamed, so a script that sees the
    # file never reads half a number.
    folder = os.path.dirname(os.path.abspath(path))
    fd, tmp = tempfile.mkstemp(dir=folder, prefix=".port.")
    with os.fdopen(fd, "w") as f:
        f.write("%d\n" % port)
    os.replace(tmp, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--media-dir", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    parser.add_argument("--tls-port-file")
    parser.add_argument("--wrong-cert")
    parser.add_argument("--wrong-key")
    parser.add_argument("--wrong-port-file")
    parser.add_argument("--burst-seconds", type=float, default=BURST_SECONDS,
                        help="audio sent at once when a stream starts (default %(default)s)")
    parser.add_argument("--verbose", action="store_true", help="log every request on stderr")
    args = parser.parse_args()

    stopping = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stopping.set())
    signal.signal(signal.SIGINT, lambda *_: stopping.set())

    began = time.monotonic()
    media = make_media(args.media_dir)
    if args.verbose:
        log("media ready in %.1f s: %s" % (time.monotonic() - began, ", ".join(sorted(media))))
    stations = Stations(media, make_loops(media))

    wanted = [("plain", None, None, args.port_file)]
    if args.tls_cert or args.tls_key or args.tls_port_file:
        if not (args.tls_cert and args.tls_key and args.tls_port_file):
            parser.error("--tls-cert, --tls-key and --tls-port-file go together")
        wanted.append(("tls", args.tls_cert, args.tls_key, args.tls_port_file))
    if args.wrong_cert or args.wrong_key or args.wrong_port_file:
        if not (args.wrong_cert and args.wrong_key and args.wrong_port_file):
            parser.error("--wrong-cert, --wrong-key and --wrong-port-file go together")
        wanted.append(("wrong-tls", args.wrong_cert, args.wrong_key, args.wrong_port_file))

    listeners = []
    for name, cert, key, port_file in wanted:
        context = None
        if cert:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(cert, key)
        listener = Listener(name, stations, context, args.verbose, args.burst_seconds)
        threading.Thread(target=listener.serve_forever, kwargs={"poll_interval": 0.1},
                         name=name, daemon=True).start()
        listeners.append((listener, port_file))
    for listener, port_file in listeners:
        write_port(port_file, listener.server_address[1])

    while not stopping.wait(0.1):
        pass
    stations.stop.set()
    stations.cut()
    # Each listener's loop notices the request within its poll interval; all
    # at once, so stopping takes one interval, not one per listener.
    closers = [threading.Thread(target=listener.shutdown) for listener, _ in listeners]
    for closer in closers:
        closer.start()
    for closer in closers:
        closer.join()
    for listener, _ in listeners:
        listener.server_close()
    stations.dead_socket.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
