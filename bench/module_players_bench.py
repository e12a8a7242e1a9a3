#!/usr/bin/env python3
"""CPU time of our module player against xmp and openmpt123 on real module files.

    module_players_bench.py [--ours NAME=BIN]... [--rounds N] [FILE_OR_DIR...]

Every player renders every file to a 16-bit stereo 44100 Hz WAV file in a scratch
folder; the figure is the song's length over the child's CPU time (user + system, from
wait4, so that other work on the shared machine counts as little as possible), as a
multiple of real time. "whole" is the process from start to the written file, "render"
is that less the same player's run that only loads the file (xmp --load-only,
openmpt123 --info, bench_audio_render --load-only). Rounds run every player on every
file in turn, so that all of them see the same load; the best round of each (player,
file) counts. The song length is each player's own output. --ours may be given more
than once (e.g. before=... after=...); without it build/native/bench/bench_audio_render
is used. Without files the .mod, .s3m and .xm files under /usr/share/games and
/usr/share/sounds are used; Debian's bomberclone-data, ceferino-data, circuslinux-data,
criticalmass-data, gweled, njam-data, penguin-command, pingus-data, solarwolf and
tecnoballz-data install 38 of them (MOD, S3M and XM, 4 to 32 channels), and the players
are the packages xmp and openmpt123. A missing player or file is reported and skipped:
this prints figures, it never fails on speed.
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

RATE = 44100
EXTENSIONS = (".mod", ".s3m", ".xm")
ROOT = pathlib.Path(__file__).resolve().parent.parent


def peers():
    xmp = ["xmp", "--norc", "--nocmd", "-q", "-f", str(RATE)]
    mpt = ["openmpt123", "-q", "--no-float", "--samplerate", str(RATE), "--subsong", "0", "--force", "--batch"]
    return [
        ("xmp spline", "xmp", lambda o, f: xmp + ["-o", o, f], lambda f: ["xmp", "--norc", "--load-only", f]),
        ("xmp linear", "xmp", lambda o, f: xmp + ["-i", "linear", "-o", o, f],
         lambda f: ["xmp", "--norc", "--load-only", f]),
        ("openmpt123 8-tap", "openmpt123", lambda o, f: mpt + ["-o", o, f], lambda f: ["openmpt123", "--info", f]),
        ("openmpt123 linear", "openmpt123", lambda o, f: mpt + ["--filter", "2", "-o", o, f],
         lambda f: ["openmpt123", "--info", f]),
    ]


def ours(name, binary):
    return (name, None, lambda o, f: [binary, "--wav", o, f], lambda f: [binary, "--load-only", f])


def cpu_seconds(argv):
    """Runs argv; returns (user + system CPU seconds, exit status, stdout)."""
    with tempfile.TemporaryFile() as out:
        try:
            child = subprocess.Popen(argv, stdout=out, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        except OSError:
            return None, -1, ""
        _, status, usage = os.wait4(child.pid, 0)
        child.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        return usage.ru_utime + usage.ru_stime, child.returncode, out.read().decode(errors="replace")


def wav_seconds(path):
    try:
        size = os.path.getsize(path)
    except OSError:
        return 0.0
    return max(size - 44, 0) / (RATE * 4)


def module_files(args):
    roots = args or ["/usr/share/games", "/usr/share/sounds"]
    found = []
    for root in map(pathlib.Path, roots):
        if root.is_file():
            found.append(root)
        elif root.is_dir():
            found += [p for p in root.rglob("*") if p.is_file() and p.suffix.lower() in EXTENSIONS]
    return sorted(set(found))


def channel_group(channels):
    for limit, name in ((4, "4 ch"), (8, "8 ch"), (16, "10-16 ch"), (64, "32 ch")):
        if channels is not None and channels <= limit:
            return name
    return "? ch"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ours", action="append", default=[], metavar="NAME=BIN")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("files", nargs="*")
    args = parser.parse_args()

    players = []
    for named in args.ours or ["ours=" + str(ROOT / "build/native/bench/bench_audio_render")]:
        name, _, binary = named.partition("=")
        if os.access(binary, os.X_OK):
            players.append(ours(name, binary))
        else:
            print(f"{name}: {binary} is missing, skipped")
    for player in peers():
        tool = player[1]
        if shutil.which(tool):
            players.append(player)
        else:
            print(f"{player[0]}: {tool} is not installed, skipped")
    files = module_files(args.files)
    if not files or not players:
        print("no module files or no players: nothing to measure")
        return 0

    scratch = tempfile.mkdtemp(prefix="module_players_", dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    best = {}  # (player, file) -> [whole CPU s, load-only CPU s, song s]
    channels = {}
    try:
        for round_index in range(args.rounds):
            for file in files:
                for name, tool, whole, load in players:
                    out = os.path.join(scratch, "out.wav")
                    seconds, status, text = cpu_seconds(whole(out, str(file)))
                    song = wav_seconds(out)
                    if os.path.exists(out):
                        os.remove(out)
                    loading, _, _ = cpu_seconds(load(str(file)))
                    if seconds is None or status != 0 or song <= 0:
                        continue
                    if tool is None and text.split():  # ours prints the channel count first
                        channels[file] = int(text.split()[0])
                    key = (name, file)
                    if key not in best or seconds < best[key][0]:
                        best[key] = [seconds, best.get(key, [0, loading])[1], song]
                    best[key][1] = min(best[key][1], loading or 0.0)
            print(f"round {round_index + 1} of {args.rounds} done", file=sys.stderr)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    # Only files that every player rendered count, so that all rows cover one set.
    common = [f for f in files if all((p[0], f) in best for p in players)]
    groups = sorted({channel_group(channels.get(f)) for f in common}, key=lambda g: int(g.split()[0].split("-")[0])
                    if g[0].isdigit() else 999)
    print(f"{len(common)} of {len(files)} files rendered by every player; x real time, CPU user+sys, best of "
          f"{args.rounds}")
    header = f"{'player':<20}{'whole':>9}{'render':>9}" + "".join(f"{g:>10}" for g in groups)
    print(header)
    print(f"{'':<20}{'':>18}" + "".join(f"{sum(channel_group(channels.get(f)) == g for f in common):>7} f."
                                      for g in groups))
    for name, _, _, _ in players:
        rows = [best[(name, f)] for f in common]
        song = sum(r[2] for r in rows)
        whole = sum(r[0] for r in rows)
        render = sum(r[0] - r[1] for r in rows)
        line = f"{name:<20}{song / whole:>8.0f}x{song / render:>8.0f}x"
        for g in groups:
            part = [best[(name, f)] for f in common if channel_group(channels.get(f)) == g]
            line += f"{sum(r[2] for r in part) / sum(r[0] for r in part):>9.0f}x"
        print(line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
