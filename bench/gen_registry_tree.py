#!/usr/bin/env python3
"""Writes a REGEDIT4 file with a registry tree of the kind real machines hold:
vendor keys with settings and recent-file lists, App Paths, CLSIDs with an
InprocServer32, Run entries, uninstall entries, values of every type, and
paths that exist in a fresh Wine prefix beside many that do not. The same
seed and size give the same file, byte for byte.

    gen_registry_tree.py --keys N [--seed S] [--missing SHARE] OUTPUT.reg
"""
import argparse
import random

# Present in every fresh prefix (files and folders).
EXISTING_FILES = [
    r"C:\windows\notepad.exe",
    r"C:\windows\regedit.exe",
    r"C:\windows\system32\kernel32.dll",
    r"C:\windows\system32\shell32.dll",
    r"C:\windows\system32\ole32.dll",
    r"C:\windows\system32\cmd.exe",
    r"C:\windows\system32\drivers\etc\hosts",
    r"C:\windows\win.ini",
]
EXISTING_FOLDERS = [
    r"C:\windows",
    r"C:\windows\system32",
    r"C:\windows\Fonts",
    r"C:\Program Files\Common Files",
    r"C:\Program Files",
]
SYLLABLES = ["ar", "bel", "cor", "dax", "en", "fir", "gal", "hex", "ion", "jor",
             "kel", "lum", "mir", "nov", "or", "pax", "qua", "ros", "syn", "tor",
             "ul", "vex", "wen", "xar", "yel", "zen"]
EXTENSIONS = ["exe", "dll", "ocx", "hlp", "chm", "txt", "ini", "dat", "log", "cpl"]
WORDS = ["Settings", "Options", "Recent", "Toolbars", "Plugins", "Cache",
         "Window", "Layout", "History", "Profiles", "Filters", "Printing"]


class Tree:
    def __init__(self, rng, missing=0.55):
        self.rng = rng
        self.missing = missing  # share of file references that name missing files
        self.keys = []  # (path, [(name, kind, data)])

    def key(self, path, values=()):
        self.keys.append((path, list(values)))

    def word(self, parts=2):
        r = self.rng
        return "".join(r.choice(SYLLABLES) for _ in range(parts)).capitalize()

    def missing_path(self, vendor, product):
        r = self.rng
        folder = r.choice(["bin", "lib", "plugins", "help", r"data\common", ""])
        name = self.word(r.randint(1, 3)) + "." + r.choice(EXTENSIONS)
        base = r.choice([r"C:\Program Files", r"C:\Program Files (x86)", r"D:\Apps",
                         r"C:\Documents and Settings\All Users\Application Data"])
        parts = [base, vendor, product] + ([folder] if folder else []) + [name]
        return "\\".join(parts)

    def some_path(self, vendor, product):
        r = self.rng.random()
        if r < self.missing:
            return self.missing_path(vendor, product)
        if self.missing != 0.55:  # the other kinds keep their shares of the rest
            r = 0.55 + (r - self.missing) * 0.45 / (1 - self.missing)
        if r < 0.75:
            return self.rng.choice(EXISTING_FILES)
        if r < 0.85:
            return self.rng.choice(EXISTING_FOLDERS)
        if r < 0.92:  # an unquoted command line with arguments
            return self.rng.choice(EXISTING_FILES + [self.missing_path(vendor, product)]) + " /min"
        return '"%s" -embedding' % self.missing_path(vendor, product)

    def text_value(self, vendor, product):
        r = self.rng
        x = r.random()
        if x < 0.45:
            return ("sz", self.some_path(vendor, product))
        if x < 0.55:
            return ("sz", "%s,%d" % (self.some_path(vendor, product), r.randint(0, 9)))
        if x < 0.65:
            return ("sz", self.word(3) + " " + self.word(2))
        if x < 0.72:
            return ("expand", r"%SystemRoot%\system32\\" + self.word(2) + ".dll")
        if x < 0.76:
            return ("expand", r"%windir%\\" + r.choice(["notepad.exe", self.word(2) + ".exe"]))
        if x < 0.80:
            return ("sz", self.word(2) + "." + r.choice(EXTENSIONS))  # judged with "Path"
        if x < 0.84:
            return ("sz", "{%08X-%04X-%04X-%04X-%012X}" % (
                r.getrandbits(32), r.getrandbits(16), r.getrandbits(16),
                r.getrandbits(16), r.getrandbits(48)))
        return ("sz", str(r.randint(0, 100000)))

    def odd_value(self):
        r = self.rng
        kind = r.choice(["dword", "dword", "binary", "multi", "qword", "none"])
        if kind == "dword":
            return ("dword", r.getrandbits(32))
        if kind == "binary":
            return ("binary", bytes(r.getrandbits(8) for _ in range(r.randint(0, 40))))
        if kind == "multi":
            return ("multi", [self.word(2) for _ in range(r.randint(1, 4))])
        if kind == "qword":
            return ("hex(b)", r.getrandbits(64).to_bytes(8, "little"))
        return ("hex(0)", bytes(r.getrandbits(8) for _ in range(4)))

    def values(self, vendor, product, count):
        out = []
        for i in range(count):
            name = self.rng.choice(WORDS + [self.word(2)]) + str(i)
            kind, data = (self.text_value(vendor, product) if self.rng.random() < 0.7
                          else self.odd_value())
            out.append((name, kind, data))
        return out


def generate(target_keys, seed, missing=0.55):
    rng = random.Random(seed)
    t = Tree(rng, missing)
    hklm, hkcu = "HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_CURRENT_USER\\Software"
    win = hklm + "\\Microsoft\\Windows\\CurrentVersion"
    run_lm, run_cu = [], []
    n = 0
    while len(t.keys) < target_keys:
        n += 1
        vendor = t.word(2) + " " + rng.choice(["Software", "Labs", "Systems", "Inc"])
        for _ in range(rng.randint(1, 4)):
            product = t.word(rng.randint(1, 2)) + " " + str(rng.randint(1, 12))
            base = "%s\\%s\\%s" % (hklm, vendor, product)
            install = "C:\\Program Files\\%s\\%s" % (vendor, product)
            t.key(base, [("InstallDir", "sz", install), ("Version", "sz", "%d.%d" % (
                rng.randint(1, 9), rng.randint(0, 99)))] + t.values(vendor, product, 2))
            for _ in range(rng.randint(2, 12)):  # a module tree, two levels
                mod = base + "\\" + t.word(2)
                t.key(mod, t.values(vendor, product, rng.randint(0, 6)))
                for _ in range(rng.randint(0, 4)):
                    t.key(mod + "\\" + t.word(1) + str(rng.randint(0, 99)),
                          t.values(vendor, product, rng.randint(0, 5)))
            user = "%s\\%s\\%s" % (hkcu, vendor, product)
            t.key(user + "\\Settings", t.values(vendor, product, rng.randint(2, 8)))
            t.key(user + "\\Recent File List", [
                ("File%d" % i, "sz", t.some_path(vendor, product))
                for i in range(1, rng.randint(2, 9))])
            exe = t.word(2).lower() + ".exe"
            # App Paths with a "Path" value and a bare program name beside it.
            t.key("%s\\App Paths\\%s" % (win, exe), [
                ("", "sz", install + "\\" + exe), ("Path", "sz", install),
                ("Helper", "sz", t.word(1).lower() + ".dll")])
            for _ in range(rng.randint(1, 5)):  # COM classes
                clsid = "{%08X-%04X-%04X-%04X-%012X}" % (
                    rng.getrandbits(32), rng.getrandbits(16), rng.getrandbits(16),
                    rng.getrandbits(16), rng.getrandbits(48))
                ck = "%s\\Classes\\CLSID\\%s" % (hklm, clsid)
                t.key(ck, [("", "sz", t.word(2) + " Class")])
                t.key(ck + "\\InprocServer32", [
                    ("", "sz", rng.choice([install + "\\" + t.word(1) + ".dll",
                                           rng.choice(EXISTING_FILES)])),
                    ("ThreadingModel", "sz", "Apartment")])
                t.key(ck + "\\ProgID", [("", "sz", vendor.split()[0] + "." + t.word(1) + ".1")])
            t.key("%s\\Uninstall\\%s %s" % (win, vendor, product), [
                ("DisplayName", "sz", vendor + " " + product),
                ("UninstallString", "sz", install + "\\uninst.exe /S"),
                ("InstallLocation", "sz", install),
                ("EstimatedSize", "dword", rng.randint(100, 900000))])
            if rng.random() < 0.3:
                (run_lm if rng.random() < 0.5 else run_cu).append(
                    (t.word(2), "sz", '"%s\\%s" /background' % (install, exe)))
    t.key(win + "\\Run", run_lm)
    t.key(hkcu + "\\Microsoft\\Windows\\CurrentVersion\\Run", run_cu)
    return t.keys


def quote(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def hexdump(kind, data):
    return kind + ":" + ",".join("%02x" % b for b in data)


def render(name, kind, data):
    left = "@" if name == "" else quote(name)
    if kind == "sz":
        right = quote(data)
    elif kind == "expand":
        right = hexdump("hex(2)", data.encode("cp1252") + b"\0")
    elif kind == "dword":
        right = "dword:%08x" % data
    elif kind == "binary":
        right = hexdump("hex", data)
    elif kind == "multi":
        right = hexdump("hex(7)", b"".join(s.encode("cp1252") + b"\0" for s in data) + b"\0")
    else:
        right = hexdump(kind, data)
    return left + "=" + right


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--keys", type=int, required=True, help="about this many keys")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--missing", type=float, default=0.55,
                    help="share of file references that name missing files")
    ap.add_argument("output")
    args = ap.parse_args()
    keys = generate(args.keys, args.seed, args.missing)
    with open(args.output, "w", encoding="cp1252", newline="\r\n") as f:
        f.write("REGEDIT4\n\n")
        for path, values in keys:
            f.write("[%s]\n" % path)
            for name, kind, data in values:
                f.write(render(name, kind, data) + "\n")
            f.write("\n")
    print("%d keys, %d values" % (len(keys), sum(len(v) for _, v in keys)))


if __name__ == "__main__":
    main()
