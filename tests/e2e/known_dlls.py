"""Fails when an executable imports a library that Windows does not always take from its
system folder: only the KnownDLLs (and ntdll, which the loader maps before anything else)
are safe from a file of the same name planted beside the executable.

    known_dlls.py OBJDUMP EXE
"""
import re
import subprocess
import sys

# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs of Windows 8 to 11.
KNOWN = {
    "advapi32", "clbcatq", "combase", "comdlg32", "coml2", "difxapi", "gdi32", "gdiplus", "imagehlp", "imm32",
    "kernel32", "msctf", "msvcrt", "normaliz", "nsi", "ole32", "oleaut32", "psapi", "rpcrt4", "sechost",
    "setupapi", "shcore", "shell32", "shlwapi", "user32", "wldap32", "ws2_32", "ntdll",
}


def main():
    objdump, exe = sys.argv[1:]
    dump = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    names = re.findall(r"^\s*DLL Name: (\S+)$", dump, re.M)
    unknown = [n for n in names if n.lower().removesuffix(".dll") not in KNOWN]
    print("imports: %s" % " ".join(names))
    if not names or unknown:
        print("FAIL: %s" % ("not in KnownDLLs: " + " ".join(unknown) if unknown else "no import table read"))
        sys.exit(1)


if __name__ == "__main__":
    main()
