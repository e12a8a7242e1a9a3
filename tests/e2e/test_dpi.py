"""What Windows reads from the program before it runs (the manifest and the version block,
read back from the built exe's resources), and the program on a display at 144 DPI."""
import os
import struct
import subprocess
import xml.etree.ElementTree as ElementTree

import harness
from harness import check, eventually

RT_VERSION, RT_MANIFEST = 16, 24
FULLSCREEN = 1010
# The display's DPI as Windows' scaling setting stores it: per user, and the machine's default.
DPI_KEYS = (r"HKCU\Control Panel\Desktop", r"HKCC\Software\Fonts")
# Keys of the default CRT effects but the RGB mask (R): distortion, glow, bloom, scanlines,
# chromatic separation, colour bleeding.
ALL_BUT_MASK, MASK = (0x43, 0x47, 0x4F, 0x4C, 0x48, 0x42), 0x52
WINDOWS_7_TO_11 = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                   "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}


def pe_resources(exe):
    """{(type, id, language): bytes} of a PE file's resource tree (numeric ids only)."""
    e_lfanew, = struct.unpack_from("<I", exe, 0x3C)
    check(exe[:2] == b"MZ" and exe[e_lfanew:e_lfanew + 4] == b"PE\0\0", "not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", exe, e_lfanew + 6)
    optional = e_lfanew + 24
    directories = optional + (112 if struct.unpack_from("<H", exe, optional)[0] == 0x20B else 96)
    root, _ = struct.unpack_from("<II", exe, directories + 2 * 8)
    table = [struct.unpack_from("<8xIIII", exe, optional + optional_size + 40 * i) for i in range(sections)]

    def offset(rva):
        for size, address, raw_size, raw in table:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise AssertionError("RVA 0x%x outside every section" % rva)

    base, found = offset(root), {}

    def walk(at, path):
        named, ids = struct.unpack_from("<12xHH", exe, base + at)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", exe, base + at + 16 + 8 * i)
            key = path + (name if name < 0x80000000 else None,)
            if target & 0x80000000:
                walk(target & 0x7FFFFFFF, key)
            else:
                rva, size = struct.unpack_from("<II", exe, base + target)
                found[key] = exe[offset(rva):offset(rva) + size]

    walk(0, ())
    return found


def version_node(data, at=0):
    """A VS_VERSIONINFO node: (key, value bytes, children)."""
    length, value_length, text = struct.unpack_from("<HHH", data, at)
    end, key_end = at + length, at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    align = lambda n: (n + 3) & ~3
    value_at = align(key_end + 2)
    value_end = value_at + value_length * (2 if text else 1)
    children, child = [], align(value_end)
    while child < end:
        children.append(version_node(data, child))
        child = align(child + struct.unpack_from("<H", data, child)[0])
    return data[at + 6:key_end].decode("utf-16-le"), data[value_at:value_end], children


def resources(args):
    """The manifest (well-formed, PerMonitorV2 with the older declarations, Windows 7 to 11,
    asInvoker, common controls 6) and the version block with the build's version, as Windows
    reads them."""
    found = pe_resources(harness.read(args.exe))
    kinds = {key[:2] for key in found}
    check({(3, 1), (14, 101), (5, 105), (4, 109), (RT_MANIFEST, 1), (RT_VERSION, 1)} <= kinds,
          "resources %r" % sorted(kinds))
    manifest = [data for key, data in found.items() if key[:2] == (RT_MANIFEST, 1)]
    check(len(manifest) == 1, "%d manifests" % len(manifest))
    root = ElementTree.fromstring(manifest[0])   # raises on XML that is not well-formed
    v1, v3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
    ws2005, ws2016 = ("{http://schemas.microsoft.com/SMI/%s/WindowsSettings}" % y for y in ("2005", "2016"))
    compatibility = "{urn:schemas-microsoft-com:compatibility.v1}"
    check(root.tag == v1 + "assembly" and root.get("manifestVersion") == "1.0", "root %r" % root.tag)
    level = root.find("%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel" % ((v3,) * 4))
    check(level is not None and level.get("level") == "asInvoker", "execution level")
    oses = {e.get("Id") for e in root.iter(compatibility + "supportedOS")}
    check(oses == WINDOWS_7_TO_11, "supportedOS %r" % oses)
    settings = root.find("%sapplication/%swindowsSettings" % (v3, v3))
    aware, awareness = settings.find(ws2005 + "dpiAware"), settings.find(ws2016 + "dpiAwareness")
    check(aware.text.strip().lower() == "true/pm", "dpiAware %r" % aware.text)
    check([w.strip() for w in awareness.text.split(",")] == ["PerMonitorV2", "PerMonitor"],
          "dpiAwareness %r" % awareness.text)
    assemblies = root.iterfind("%sdependency/%sdependentAssembly/%sassemblyIdentity" % ((v1,) * 3))
    dependencies = [(a.get("name"), a.get("version"), a.get("publicKeyToken")) for a in assemblies]
    check(dependencies == [("Microsoft.Windows.Common-Controls", "6.0.0.0", "6595b64144ccf1df")],
          "dependencies %r" % dependencies)

    versions = [data for key, data in found.items() if key[:2] == (RT_VERSION, 1)]
    check(len(versions) == 1, "%d version blocks" % len(versions))
    key, fixed, children = version_node(versions[0])
    check(key == "VS_VERSION_INFO" and len(fixed) == 52, "version block %r" % key)
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    numbers = tuple(int(n) for n in os.environ["VRINX_VERSION"].split(".")) + (0,)
    as_words = (numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
    check(signature == 0xFEEF04BD and (file_ms, file_ls) == as_words == (product_ms, product_ls),
          "fixed version %08x %08x, expected %s" % (file_ms, file_ls, numbers))
    blocks = {k: c for k, _, c in children}
    (table, _, strings), = blocks["StringFileInfo"]
    (_, translation, _), = blocks["VarFileInfo"]
    language, codepage = struct.unpack("<HH", translation)
    check(table.upper() == "%04X%04X" % (language, codepage), "string table %s" % table)
    text = {k: v.decode("utf-16-le").rstrip("\0") for k, v, _ in strings}
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


def mask_period(shot, plain):
    """(points checked, points where the picture does not repeat every three columns or is
    flat across them), at points where the plain picture is one colour far enough around for
    the CRT's bilinear sampling (more than a source pixel each way)."""
    checked, bad = 0, []
    for y in range(6, shot.height - 6, 7):
        for x in range(6, shot.width - 9, 5):
            c = plain.pixel(x, y)
            around = (plain.pixel(x + dx, y + dy) for dx in range(-6, 10) for dy in range(-6, 7))
            if c == (0, 0, 0) or any(p != c for p in around):
                continue
            checked += 1
            row = [shot.pixel(x + dx, y) for dx in range(4)]
            if row[3] != row[0] or row[0] == row[1] == row[2]:
                bad.append((x, y, row))
    return checked, bad


def dpi_144(args):
    """At 144 DPI: the window's single and double sizes are 1.5 times their pixels at 96 DPI
    (480x360 and 960x720 with 4:3; A keeps single size), and full screen is the display's
    physical size, where the CRT picture equals the CPU reference at that size and the RGB
    mask repeats every three screen pixels."""
    set_dpi(144)
    try:
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
            for key in ALL_BUT_MASK + (MASK,):
                run.do("key", str(key))
            crt, _ = run.reference(*screen, crt=True)
            eventually(lambda: check(run.screenshot().data == crt.data,
                                     "the CRT picture is not the reference's at %dx%d" % screen), 120)
            for key in ALL_BUT_MASK:
                run.do("key", str(key))
            plain, _ = run.reference(*screen)

            def period():
                checked, bad = mask_period(run.screenshot(), plain)
                check(checked > 1000 and not bad, "%d of %d points off the period of 3, first %s"
                      % (len(bad), checked, bad[:3]))
            eventually(period, 60)
            run.close()
    finally:
        set_dpi(96)


if __name__ == "__main__":
    harness.main({"resources": resources, "dpi_144": dpi_144})
