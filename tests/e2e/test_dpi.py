"""What Windows reads from the program before it runs (the import table, the manifest and the
version block, read back from the built exe), and the program on a display at 144 DPI."""
import os
import re
import subprocess
import xml.etree.ElementTree as ElementTree

import harness
from harness import check, eventually

FULLSCREEN = 1010
# The display's DPI as Windows' scaling setting stores it: per user, and the machine's default.
DPI_KEYS = (r"HKCU\Control Panel\Desktop", r"HKCC\Software\Fonts")
# Keys of the default CRT effects: distortion, glow, bloom, scanlines, chromatic separation,
# colour bleeding, the RGB mask.
EFFECT_KEYS = (0x43, 0x47, 0x4F, 0x4C, 0x48, 0x42, 0x52)
# What Windows reads of the manifest: (path, what of each element there, all that is found).
NAMESPACES = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
              "os": "urn:schemas-microsoft-com:compatibility.v1",
              "w05": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
              "w16": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}
MANIFEST = [
    ("v3:trustInfo/v3:security/v3:requestedPrivileges/v3:requestedExecutionLevel", lambda e: e.get("level"),
     ["asInvoker"]),
    # Windows 7, 8, 8.1, 10 and 11.
    ("os:compatibility/os:application/os:supportedOS", lambda e: e.get("Id"),
     ["{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"]),
    ("v3:application/v3:windowsSettings/w05:dpiAware", lambda e: e.text.strip().lower(), ["true/pm"]),
    ("v3:application/v3:windowsSettings/w16:dpiAwareness", lambda e: [w.strip() for w in e.text.split(",")],
     [["PerMonitorV2", "PerMonitor"]]),
    ("v1:dependency/v1:dependentAssembly/v1:assemblyIdentity",
     lambda e: (e.get("name"), e.get("version"), e.get("publicKeyToken")),
     [("Microsoft.Windows.Common-Controls", "6.0.0.0", "6595b64144ccf1df")]),
]
# Only these (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs of Windows 8 to 11,
# and ntdll, which the loader maps before anything else) are safe from a file of the same name
# planted beside the executable.
KNOWN_DLLS = {
    "advapi32", "clbcatq", "combase", "comdlg32", "coml2", "difxapi", "gdi32", "gdiplus", "imagehlp", "imm32",
    "kernel32", "msctf", "msvcrt", "normaliz", "nsi", "ole32", "oleaut32", "psapi", "rpcrt4", "sechost",
    "setupapi", "shcore", "shell32", "shlwapi", "user32", "wldap32", "ws2_32", "ntdll",
}


def rc_string(literal):
    """The text of a string as windres writes it: "" for a quote, C escapes."""
    escapes = {"n": "\n", "t": "\t", "r": "\r", "\\": "\\"}
    return re.sub(r'""|\\([0-7]{1,3}|.)',
                  lambda m: '"' if m[0] == '""' else escapes.get(m[1]) or chr(int(m[1], 8)), literal)


def resources(args):
    """Imports only from the KnownDLLs; the manifest (well-formed, PerMonitorV2 with the older
    declarations, Windows 7 to 11, asInvoker, common controls 6) and the version block with the
    build's version, as binutils reads them back from the built exe."""
    dump = subprocess.run([os.environ["VRINX_OBJDUMP"], "-p", args.exe], capture_output=True, text=True, check=True,
                          timeout=120).stdout
    names = re.findall(r"^\s*DLL Name: (\S+)$", dump, re.M)
    unknown = [n for n in names if n.lower().removesuffix(".dll") not in KNOWN_DLLS]
    check(names and not unknown, "imports %r, not in KnownDLLs: %r" % (names, unknown))

    rc = subprocess.run([os.environ["VRINX_WINDRES"], "-i", args.exe, "-O", "rc"], capture_output=True, check=True,
                        timeout=120).stdout.decode("latin-1")
    # Each resource opens with a line "id type", the type a keyword or a number.
    heads = re.findall(r"^(\d+) (\w+)", rc, re.M)
    check({("1", "3"), ("101", "14"), ("105", "DIALOGEX"), ("109", "MENU")} <= set(heads)
          and heads.count(("1", "24")) == heads.count(("1", "VERSIONINFO")) == 1, "resources %r" % heads)
    manifest = re.search(r"^1 24 .*?\nBEGIN\n(.*?)^END$", rc, re.M | re.S)[1]
    manifest = "".join(map(rc_string, re.findall(r'^\s*"(.*)"$', manifest, re.M)))
    root = ElementTree.fromstring(manifest.encode("latin-1"))   # raises on XML that is not well-formed
    check(root.tag == "{%s}assembly" % NAMESPACES["v1"] and root.get("manifestVersion") == "1.0", "root %r" % root.tag)
    for path, read, wanted in MANIFEST:
        found = sorted(map(read, root.iterfind(path, NAMESPACES)))
        check(found == wanted, "%s: %r" % (path, found))

    numbers = ", ".join(os.environ["VRINX_VERSION"].split(".") + ["0"])
    fixed = re.findall(r"^ (FILEVERSION|PRODUCTVERSION) (.*)$", rc, re.M)
    check(fixed == [("FILEVERSION", numbers), ("PRODUCTVERSION", numbers)], "fixed version %r" % fixed)
    language, codepage = re.search(r'VALUE "Translation", (0x[0-9a-f]+), (\d+)$', rc, re.M).groups()
    tables = re.findall(r'^\s*BLOCK "([0-9A-F]{8})"$', rc, re.M | re.I)
    check([t.upper() for t in tables] == ["%04X%04X" % (int(language, 16), int(codepage))], "string tables %r" % tables)
    text = dict(re.findall(r'^\s*VALUE "(\w+)", "(.*)"$', rc, re.M))
    version = os.environ["VRINX_VERSION"]
    for name, value in (("ProductName", "Vrinx"), ("FileDescription", "Varrowby 97 invitation"),
                        ("ProductVersion", version), ("FileVersion", version)):
        check(text.get(name) == value, "%s %r, expected %r" % (name, text.get(name), value))
    copyright = text.get("LegalCopyright", "")
    check("Vrinx contributors" in copyright, "LegalCopyright %r" % copyright)


def set_dpi(dpi):
    # The output stays unread: reg.exe may leave Wine's helpers holding a pipe open.
    for key in DPI_KEYS:
        command = ["wine", "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"]
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=120)


def client_size(run, size):
    eventually(lambda: check(run.client_rect()[2:] == size,
                             "client area %r, expected %r" % (run.client_rect(), size)))


def logged(run, line):
    eventually(lambda: check(line in run.events(), "no %r in %r" % (line, run.events())))


def dpi_144(args):
    """At 144 DPI: the window's single and double sizes are 1.5 times their pixels at 96 DPI
    (480x360 and 960x720 with 4:3; A keeps single size), and full screen is the display's
    physical size, where the CRT picture equals the CPU reference at that size."""
    set_dpi(144)   # this case's own prefix: nothing to set back
    with harness.Vrinx(args) as run:
        client_size(run, (480, 360))
        logged(run, "presenter: device created 480x360 tearing=1")
        for key, size, item in (("D", (960, 720), 40003), ("S", (480, 360), 40002),
                                ("A", (480, 300), 40002)):
            run.key(key)
            client_size(run, size)
            eventually(lambda: check(item in run.menu()[0], "menu %r after %s" % (run.menu(), key)))
        run.close()
    # The effects start off (the CPU's CRT pass at this size would take minutes to reach
    # the held frame) and are switched on once it is held: the defaults.
    effects_off = {"Vrinx.ini": harness.ini()}
    with harness.Vrinx(args, setup={FULLSCREEN: True}, hold=140, files=effects_off) as run:
        run.wait_frame()
        screen = run.screen()
        client_size(run, screen)
        logged(run, "presenter: device created %dx%d tearing=1" % screen)
        for key in EFFECT_KEYS:
            run.do("key", str(key))
        crt, _ = run.reference(*screen, crt=True)
        eventually(lambda: check(run.screenshot().data == crt.data,
                                 "the CRT picture is not the reference's at %dx%d" % screen), 120)
        run.close()


if __name__ == "__main__":
    harness.main({"resources": resources, "dpi_144": dpi_144})
