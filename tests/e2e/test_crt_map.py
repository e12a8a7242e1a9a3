"""The CRT sample maps, chroma tables and decay tables made by the Windows build (run
under Wine) are the same bytes as the native build's."""
import argparse
import os
import subprocess
import sys
import tempfile
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dump", required=True)
    parser.add_argument("--native", required=True)
    args = parser.parse_args()
    started = time.time()
    folder = tempfile.mkdtemp(prefix="vrinx-crt-map-")
    native, windows = os.path.join(folder, "native.bin"), os.path.join(folder, "windows.bin")
    try:
        subprocess.run([args.native, native], check=True, timeout=120)
        subprocess.run(["wine", args.dump, "Z:" + windows.replace("/", "\\")], check=True, timeout=240)
        with open(native, "rb") as f:
            a = f.read()
        with open(windows, "rb") as f:
            b = f.read()
    finally:
        for name in os.listdir(folder):
            os.remove(os.path.join(folder, name))
        os.rmdir(folder)
    if len(a) != len(b):
        print("FAIL: native %d bytes, Windows %d bytes" % (len(a), len(b)))
        sys.exit(1)
    if a != b:
        words = [i for i in range(0, len(a), 4) if a[i:i + 4] != b[i:i + 4]]
        print("FAIL: %d of %d words differ, first at byte %d" % (len(words), len(a) // 4, words[0]))
        sys.exit(1)
    print("ok: %d bytes equal (%.1f s)" % (len(a), time.time() - started))


if __name__ == "__main__":
    main()
