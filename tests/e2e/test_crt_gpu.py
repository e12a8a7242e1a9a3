"""The CRT pipeline on Wine's Direct3D 11 equals the CPU reference bit for bit (each
operation alone and whole frames), and the comparison catches faults: the same check
with shaders that each carry one deliberate fault must fail."""
import argparse
import os
import subprocess
import sys
import tempfile
import time

# Each fault: a line of the shader source and what it becomes.
FAULTS = [
    ("9-tap weight 70 -> 71", "{ 70, 0, 0, 0 }", "{ 71, 0, 0, 0 }"),
    ("bleeding rounding +8 -> +7", "iadd r6.xyz, r6.xyzx, l(8, 8, 8, 0)", "iadd r6.xyz, r6.xyzx, l(7, 7, 7, 0)"),
    ("mask column 0 keeps green", "ieq r11.xyz, r11.xxxx, l(2, 1, 0, 0)", "ieq r11.xyz, r11.xxxx, l(2, 0, 1, 0)"),
]


def run_check(check, shader=None):
    command = ["wine", check] + (["--shader", "Z:" + shader.replace("/", "\\")] if shader else [])
    result = subprocess.run(command, capture_output=True, timeout=400)
    return result.returncode, result.stdout.decode("latin-1").replace("\r", "")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--check", required=True)
    parser.add_argument("--asm", required=True)
    parser.add_argument("--source", required=True)
    args = parser.parse_args()
    started = time.time()
    code, out = run_check(args.check)
    print(out)
    if code != 0:
        print("FAIL: the GPU results differ from the CPU reference (exit code %d)" % code)
        sys.exit(1)
    with open(args.source) as f:
        source = f.read()
    folder = tempfile.mkdtemp(prefix="vrinx-crt-fault-")
    try:
        for name, before, after in FAULTS:
            if source.count(before) != 1:
                print("FAIL: fault %r: the line %r is not in the shader once" % (name, before))
                sys.exit(1)
            asm_path = os.path.join(folder, "fault.asm")
            with open(asm_path, "w") as f:
                f.write(source.replace(before, after))
            blob = os.path.join(folder, "fault.dxbc")
            subprocess.run([args.asm, asm_path, "kFault", os.path.join(folder, "fault.h"), blob], check=True)
            code, out = run_check(args.check, blob)
            failed_cases = [line for line in out.split("\n") if line.startswith("FAIL ")]
            if code != 1 or not failed_cases:
                print(out)
                print("FAIL: the fault %r went unnoticed (exit code %d)" % (name, code))
                sys.exit(1)
            print("fault %r caught: %s" % (name, failed_cases[0]))
    finally:
        for entry in os.listdir(folder):
            os.remove(os.path.join(folder, entry))
        os.rmdir(folder)
    print("ok (%.1f s)" % (time.time() - started))


if __name__ == "__main__":
    main()
