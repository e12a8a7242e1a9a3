"""A program whose embedded asset block is damaged says so and ends with exit code 1
before its window exists: a flipped byte inside the LZMS data, and a header that
names another uncompressed size."""
import harness

TITLE = "Varrowby 97 invitation / kOHR (1997)"
TEXT = "Unable to decompress embedded assets. Windows 8 or later is required."
SIGNATURE = b"\x0a\x51\xe5\xc0"


def damaged(exe, at, value):
    blob = bytearray(exe)
    blob[at] = value
    return bytes(blob)


def expect_refusal(args, exe, what):
    with harness.Vrinx(args, ["/nogui"], files={"Vrinx.exe": exe}) as run:
        code, text = run.message(TITLE)
        harness.check(code == 0, "%s: no message box" % what)
        harness.check(text.strip() == TEXT, "%s: message %r" % (what, text))
        harness.check(run.winctl("rect")[0] != 0, "%s: the demo window was created" % what)
        exit_code = run.wait_exit()
        harness.check(exit_code == 1, "%s: exit code %r, expected 1" % (what, exit_code))


def test(args):
    with open(args.exe, "rb") as f:
        exe = f.read()
    # The block's header: signature, header size 24, algorithm 5 (LZMS), 555,740 bytes unpacked.
    header = SIGNATURE + bytes([24, 5, 0, 0]) + (555740).to_bytes(8, "little")
    start = exe.find(header)
    harness.check(start >= 0 and exe.find(header, start + 1) < 0, "one asset block in the program")
    size_at = start + 8
    expect_refusal(args, damaged(exe, start + 24 + 5000, exe[start + 24 + 5000] ^ 0x5A), "flipped data byte")
    expect_refusal(args, damaged(exe, size_at, exe[size_at] ^ 1), "other uncompressed size")


if __name__ == "__main__":
    harness.main(test)
