#!/usr/bin/env python3
"""Tune to first sound on each kind of station the station server offers, for
the program beside mpv and gst-launch-1.0 playbin; then the CPU gst-launch (and
the program, when built) spends playing AAC and HLS. Run by
bench/stream_first_sound.sh, which starts the servers; see there for the set-up.

Every player plays into a null sink of this benchmark's own, whose monitor is
recorded all along. A player's time is from its launch to the first tone on the
monitor, counted in recorded samples since the launch, as benchkit's Monitor
does, so time this script spends elsewhere does not add to it.
"""

import argparse
import array
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import threading
import time

RATE = 44100
WINDOW = RATE // 100  # 10 ms
# As benchkit: a sample above this is sound; three loud 10 ms windows in a row
# are the tone, so a lone click is no start.
SOUND_LEVEL = 1000
WINDOWS_NEEDED = 3
GIVE_UP_S = 10.0

CASES = [
    ("MP3", "/tone.mp3"),
    ("AAC", "/tone.aac"),
    ("Vorbis", "/tone.ogg"),
    ("Opus", "/tone.opus"),
    ("HLS", "/hls/tone.m3u8"),
    ("PLS", "/list.pls"),
]
# Where the first audio byte of a case comes from: the playlist, then what it names.
FOLLOWS = {"/hls/tone.m3u8": "/hls/segment00000.ts", "/list.pls": "/tone.mp3"}


class Monitor:
    """Records the sink's monitor in a thread. mark() notes a moment by the count
    of samples recorded; first_sound_ms() finds the tone after it, scanning each
    10 ms window once."""

    def __init__(self, sink):
        self.proc = subprocess.Popen(
            ["parec", "--device=%s.monitor" % sink, "--raw", "--format=s16le", "--rate=%d" % RATE,
             "--channels=1", "--latency-msec=10"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.lock = threading.Lock()
        self.samples = array.array("h")  # since the mark
        self.odd = b""
        self.scanned = 0
        self.run = 0
        self.run_start = 0
        self.measuring = False
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        fd = self.proc.stdout.fileno()
        while True:
            data = os.read(fd, 4096)
            if not data:
                return
            data = self.odd + data
            whole = len(data) // 2 * 2
            self.odd = data[whole:]
            part = array.array("h")
            part.frombytes(data[:whole])
            with self.lock:
                self.samples.extend(part)
                # Between marks only the last second is kept, for wait_for_silence.
                if not self.measuring and len(self.samples) > 4 * RATE:
                    del self.samples[:len(self.samples) - RATE]

    def mark(self):
        with self.lock:
            del self.samples[:]
            self.scanned = 0
            self.run = 0
            self.measuring = True

    def first_sound_ms(self):
        """Where, in ms after the mark, the tone starts; None while it has not."""
        with self.lock:
            s = self.samples
            while self.scanned + WINDOW <= len(s):
                window = s[self.scanned:self.scanned + WINDOW]
                if max(window) > SOUND_LEVEL or -min(window) > SOUND_LEVEL:
                    if self.run == 0:
                        self.run_start = self.scanned
                    self.run += 1
                    if self.run == WINDOWS_NEEDED:
                        first = self.run_start
                        while abs(s[first]) <= SOUND_LEVEL:
                            first += 1
                        return first * 1000.0 / RATE
                else:
                    self.run = 0
                self.scanned += WINDOW
            return None

    def wait_for_silence(self, quiet_ms=300, give_up_s=5.0):
        """True once the last quiet_ms were silent; the previous run's tail must
        leave the sink, or it would be taken for the next run's first sound."""
        with self.lock:
            self.measuring = False
        end = time.monotonic() + give_up_s
        need = RATE * quiet_ms // 1000
        while time.monotonic() < end:
            time.sleep(0.05)
            with self.lock:
                tail = self.samples[-need:]
            if len(tail) >= need and max(tail) <= SOUND_LEVEL and -min(tail) <= SOUND_LEVEL:
                return True
        return False

    def close(self):
        self.proc.terminate()
        self.proc.wait()


def stop(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(3)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def launch_to_sound(monitor, argv, env):
    """ms from launching argv to the first tone, or a word on why there is none."""
    if not monitor.wait_for_silence():
        print("  (the sink did not fall silent before the run; its time is not to be trusted)",
              file=sys.stderr)
    monitor.mark()
    proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    end = time.monotonic() + GIVE_UP_S
    try:
        while time.monotonic() < end:
            time.sleep(0.01)
            at = monitor.first_sound_ms()
            if at is not None:
                return at
            if proc.poll() is not None:
                # Gone without a sound: gst-launch on a playlist, for one.
                time.sleep(0.05)
                at = monitor.first_sound_ms()
                return at if at is not None else "exit %d" % proc.returncode
        return "silent"
    finally:
        stop(proc)


def first_byte_ms(url):
    """curl's wait for the first byte of url, in ms, and its whole time (for a
    playlist, which is read to its end before what it names is asked for)."""
    out = subprocess.run(["curl", "-s", "-o", "/dev/null", "--max-time", "1",
                          "-w", "%{time_starttransfer} %{time_total}", url],
                         capture_output=True, text=True).stdout.split()
    if len(out) != 2:
        return None, None
    return float(out[0]) * 1000, float(out[1]) * 1000


def first_audio_byte_ms(server, path):
    first, whole = first_byte_ms(server + path)
    if first is None:
        return None
    if path in FOLLOWS:
        then, _ = first_byte_ms(server + FOLLOWS[path])
        return None if then is None else whole + then
    return first


# --- The program's own figure -------------------------------------------------

def sonaveo_tune_runs(bench, url, runs, sink):
    """The program's tune to first sound, measured inside the program from its
    TuneStation call, by `bench --url URL RUNS`; one line per run as
    tune_to_first_sound prints them ("run N: ... sonaveo first sound  123.4 ms
    ..."). Returns the list of figures (None for a run without sound), or None
    when the bench program does not take a URL."""
    if not bench or not os.access(bench, os.X_OK):
        return None
    env = dict(os.environ, PULSE_SINK=sink)
    # Without the environment's stream, a tune bench that does not know --url
    # stops at once instead of running its own stream for minutes.
    env.pop("SONAVEO_TEST_STREAM", None)
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    try:
        done = subprocess.run([bench, "--url", url, str(runs)], env=env, capture_output=True, text=True,
                              timeout=runs * (GIVE_UP_S + 5) + 30)
    except subprocess.TimeoutExpired:
        return None
    found = re.findall(r"sonaveo first sound\s+(-?[0-9.]+) ms", done.stdout)
    if not found:
        return None
    return [float(v) if float(v) >= 0 else None for v in found]


# --- Figures --------------------------------------------------------------------

def median(values):
    numbers = [v for v in values if isinstance(v, float)]
    # A player that failed in most runs has no median worth the name.
    if len(numbers) * 2 <= len(values):
        failures = [v for v in values if not isinstance(v, float)]
        return failures[0] if failures else None
    return statistics.median(numbers)


def show(value, width=10):
    if value is None:
        return "n/a".rjust(width)
    if isinstance(value, str):
        return value.rjust(width)
    return ("%.1f" % value).rjust(width)


def ratio(a, b):
    if isinstance(a, float) and isinstance(b, float) and b > 0:
        return "%.2f" % (a / b)
    return "n/a"


def cpu_ns(pid):
    # The process's CPU clock: every thread, living or ended (see cputime.sh).
    return time.clock_gettime_ns(((~pid) << 3) | 2)


def cpu_seconds(argv, env, seconds):
    """CPU seconds argv spends from launch over `seconds` (or until it ends,
    whichever comes first), and the time it was measured over."""
    proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    start = time.monotonic()
    last, last_at = 0, start
    try:
        while time.monotonic() - start < seconds and proc.poll() is None:
            try:
                last, last_at = cpu_ns(proc.pid), time.monotonic()
            except OSError:
                break
            time.sleep(0.25)
    finally:
        stop(proc)
    return last / 1e9, last_at - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--sink", required=True)
    parser.add_argument("--cpu-seconds", type=float, default=20)
    parser.add_argument("--cases", help="comma-separated names out of %s" % ",".join(n for n, _ in CASES))
    args = parser.parse_args()

    server = os.environ.get("SONAVEO_STATION_SERVER")
    if not server:
        print("SONAVEO_STATION_SERVER is not set (bench/stream_first_sound.sh starts the server)", file=sys.stderr)
        return 2
    build = os.environ.get("BUILD") or os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build")
    tune_bench = os.environ.get("SONAVEO_TUNE_BENCH", os.path.join(build, "tune_to_first_sound"))
    play_station = os.environ.get("SONAVEO_PLAY_STATION", os.path.join(build, "play_station"))
    if not os.access(play_station, os.X_OK):
        play_station = None
    cases = CASES
    if args.cases:
        wanted = [c.strip().lower() for c in args.cases.split(",")]
        cases = [c for c in CASES if c[0].lower() in wanted]

    env = dict(os.environ, PULSE_SINK=args.sink)
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    players = [
        ("mpv", lambda url: ["mpv", "--no-video", "--ao=pulse", "--no-terminal", url]),
        ("gst-launch", lambda url: ["gst-launch-1.0", "-q", "playbin", "uri=" + url]),
    ]
    if play_station:
        players.append(("sonaveo launch", lambda url: [play_station, url]))
    for tool in ("mpv", "gst-launch-1.0", "parec", "curl"):
        if not shutil.which(tool):
            print("%s is not installed" % tool, file=sys.stderr)
            return 2

    monitor = Monitor(args.sink)
    results = {}
    try:
        time.sleep(0.3)
        for name, path in cases:
            url = server + path
            got = {"first byte": [], **{p: [] for p, _ in players}}
            for run in range(args.runs):
                got["first byte"].append(first_audio_byte_ms(server, path))
                for player, argv in players:
                    got[player].append(launch_to_sound(monitor, argv(url), env))
                print("%-7s run %d: first audio byte %s ms   %s" % (
                    name, run + 1, show(got["first byte"][-1], 6),
                    "   ".join("%s %s" % (p, show(got[p][-1], 7)) for p, _ in players)))
                sys.stdout.flush()
            # The in-program figure: one call per case, as many runs inside.
            tune = sonaveo_tune_runs(tune_bench, url, args.runs, args.sink)
            got["sonaveo tune"] = tune if tune is not None else [None]
            results[name] = got
    finally:
        monitor.close()

    columns = ["first byte"] + [p for p, _ in players] + ["sonaveo tune"]
    own = [c for c in ("sonaveo tune", "sonaveo launch") if c in columns]
    print()
    print("tune to first sound, median of %d runs, ms" % args.runs)
    print("  mpv, gst-launch and sonaveo launch (build/play_station): from process launch;")
    print("  sonaveo tune (%s --url): from the main window's TuneStation;" % os.path.basename(tune_bench))
    print("  first byte: curl's first audio byte (a playlist's whole time, then its entry's first byte)")
    header = "".join(c.rjust(15) for c in columns) + "".join(
        ("%s/%s" % (o.split()[1], a)).rjust(20) for o in own for a in ("mpv", "gst-launch"))
    print("  %-7s%s" % ("case", header))
    for name, _ in cases:
        got = results[name]
        medians = {c: median(got[c]) for c in columns}
        line = "".join(show(medians[c], 15) for c in columns) + "".join(
            ratio(medians[o], medians[a]).rjust(20) for o in own for a in ("mpv", "gst-launch"))
        print("  %-7s%s" % (name, line))
    print()
    for name, _ in cases:
        got = results[name]
        fb = median(got["first byte"])
        parts = []
        for c in columns[1:]:
            m = median(got[c])
            if isinstance(m, float) and isinstance(fb, float):
                parts.append("%s first byte %+.0f ms" % (c, m - fb))
        if parts:
            print("  %-7s %s" % (name, ";  ".join(parts)))
    if not any(isinstance(median(results[n]["sonaveo tune"]), float) for n, _ in cases):
        print("\n  sonaveo tune: n/a: %s does not take --url URL RUNS" % tune_bench)

    # What playing costs: gst-launch (and the program) on AAC and on HLS.
    print()
    print("CPU playing for %.0f s from launch (user + system, all threads)" % args.cpu_seconds)
    for name, path in (("AAC", "/tone.aac"), ("HLS", "/hls/tone.m3u8")):
        figures = []
        for player, argv in players[1:]:
            cpu, over = cpu_seconds(argv(server + path), env, args.cpu_seconds)
            figures.append((player, cpu, over))
        line = "   ".join("%s %.2f s (%.1f %% of a core over %.1f s)" % (p, c, 100 * c / o if o > 0 else 0, o)
                          for p, c, o in figures)
        print("  %-4s %s" % (name, line))
        if len(figures) == 2 and figures[0][1] > 0:
            print("       sonaveo / gst-launch %.2f" % (figures[1][1] / figures[0][1]))
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
