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
    # The block's header: signature, header size 24, check byte, algorithm 5 (LZMS), then
    # 555,740 bytes unpacked in one block of that size.
    size = (555740).to_bytes(8, "little")
    start = exe.find(size + size) - 8
    harness.check(start >= 0 and exe[start:start + 6] == SIGNATURE + bytes([24, 0]) and exe[start + 7] == 5,
                  "the asset block's header")
    harness.check(exe.find(size + size, start + 9) < 0, "one asset block in the program")
    size_at = start + 8
    expect_refusal(args, damaged(exe, start + 28 + 5000, exe[start + 28 + 5000] ^ 0x5A), "flipped data byte")
    expect_refusal(args, damaged(exe, size_at, exe[size_at] ^ 1), "other uncompressed size")
    expect_refusal(args, damaged(exe, start + 6, exe[start + 6] ^ 1), "wrong check byte")


if __name__ == "__main__":
    harness.main(test)
