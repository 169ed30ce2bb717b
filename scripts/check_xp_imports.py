#!/usr/bin/env python3
"""Checks that 32-bit Windows programs can be loaded by Windows XP SP3.

For every PE32 file named on the command line this lists what it imports by
name or ordinal, from the ordinary import table and from the delay-import
descriptors, and compares each import with the list of functions Windows XP
exports from that DLL (tools/xp-exports/<dll name>.txt, e.g. kernel32.dll.txt:
one name a line, "@N" allowing an import of ordinal N, "#" starting a comment).
XP's loader refuses a program whose import table names a function its DLL
lacks, and a delay-loaded call fails the same way on first use, so either kind
is an offence; so is an import from a DLL that has no list.

GNU ld leaves the delay-import data directory of the PE header empty; the
descriptors are still in the image. They are found by scanning the image for
32-byte delay descriptors whose fields all hold sensible RVAs and whose DLL
name RVA points at a DLL file name (see find_delay_descriptors).

It also reports the operating-system and subsystem versions of the optional
header: XP (5.1) refuses a program that asks for more; and it fails a program
whose delay-load slot of a function does not lead to that function's loader
stub, whose first call would jump to address 0 on every Windows.

Exit status: 0 when every program passes, 1 when any has an offence, 2 on
usage or read errors.

Standard library only.
"""

import argparse
import os
import re
import struct
import sys

XP_VERSION = (5, 1)
DEFAULT_LIST_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                os.pardir, "tools", "xp-exports")

# IMAGE_DIRECTORY_ENTRY_*
DIR_IMPORT = 1
DIR_DELAY_IMPORT = 13

DELAY_DESCRIPTOR_SIZE = 32
IMAGE_SCN_MEM_EXECUTE = 0x20000000
DLL_NAME_PATTERN = re.compile(rb"[A-Za-z0-9_.\-]{1,64}\.(dll|drv|ocx|cpl|exe)",
                              re.IGNORECASE)
IMPORT_NAME_PATTERN = re.compile(rb"[A-Za-z_?@$][A-Za-z0-9_?@$<>]*")


class PEError(Exception):
    pass


class Section:
    def __init__(self, name, virtual_address, virtual_size, raw_offset,
                 raw_size, characteristics):
        self.name = name
        self.virtual_address = virtual_address
        self.virtual_size = virtual_size
        self.raw_offset = raw_offset
        self.raw_size = raw_size
        self.characteristics = characteristics

    @property
    def mapped_size(self):
        return max(self.virtual_size, self.raw_size)

    def holds_rva(self, rva):
        return self.virtual_address <= rva < self.virtual_address + self.mapped_size


class Image:
    """A parsed PE file: headers, sections and reads by RVA."""

    def __init__(self, path):
        self.path = path
        with open(path, "rb") as f:
            self.data = f.read()
        self._parse_headers()

    def _unpack(self, fmt, offset):
        size = struct.calcsize(fmt)
        if offset < 0 or offset + size > len(self.data):
            raise PEError("truncated file (reading %d bytes at 0x%x)" % (size, offset))
        return struct.unpack_from(fmt, self.data, offset)

    def _parse_headers(self):
        if self.data[:2] != b"MZ":
            raise PEError("no MZ header")
        (pe_offset,) = self._unpack("<I", 0x3C)
        if self._unpack("<4s", pe_offset)[0] != b"PE\0\0":
            raise PEError("no PE signature")
        (self.machine, section_count, _, _, _, optional_size,
         self.characteristics) = self._unpack("<HHIIIHH", pe_offset + 4)
        opt = pe_offset + 24
        (self.magic,) = self._unpack("<H", opt)
        if self.magic == 0x10B:
            self.pe32_plus = False
            (self.image_base,) = self._unpack("<I", opt + 28)
            version_offset = opt + 40
            dir_count_offset = opt + 92
        elif self.magic == 0x20B:
            self.pe32_plus = True
            (self.image_base,) = self._unpack("<Q", opt + 24)
            version_offset = opt + 40
            dir_count_offset = opt + 108
        else:
            raise PEError("unknown optional header magic 0x%x" % self.magic)
        (self.os_major, self.os_minor, self.image_major, self.image_minor,
         self.subsystem_major, self.subsystem_minor) = self._unpack("<6H", version_offset)
        (self.size_of_image,) = self._unpack("<I", opt + 56)
        (self.size_of_headers,) = self._unpack("<I", opt + 60)
        (self.subsystem,) = self._unpack("<H", opt + 68)
        (dir_count,) = self._unpack("<I", dir_count_offset)
        self.directories = []
        for i in range(min(dir_count, 16)):
            self.directories.append(self._unpack("<II", dir_count_offset + 4 + 8 * i))
        while len(self.directories) < 16:
            self.directories.append((0, 0))
        self.sections = []
        section_table = opt + optional_size
        for i in range(section_count):
            (name, vsize, va, raw_size, raw_offset, _, _, _, _,
             chars) = self._unpack("<8sIIIIIIHHI", section_table + 40 * i)
            self.sections.append(Section(name.rstrip(b"\0").decode("latin-1"),
                                         va, vsize, raw_offset, raw_size, chars))

    def section_of(self, rva):
        for s in self.sections:
            if s.holds_rva(rva):
                return s
        return None

    def in_image(self, rva):
        return 0 < rva < self.size_of_image

    def offset_of(self, rva):
        """File offset of an RVA, or None when it has no bytes in the file."""
        if rva < self.size_of_headers:
            return rva
        s = self.section_of(rva)
        if s is None:
            return None
        delta = rva - s.virtual_address
        if delta >= s.raw_size:
            return None  # uninitialised tail of the section
        return s.raw_offset + delta

    def read(self, rva, size):
        off = self.offset_of(rva)
        if off is None or off + size > len(self.data):
            raise PEError("RVA 0x%x (+%d) is not in the file" % (rva, size))
        return self.data[off:off + size]

    def u32(self, rva):
        return struct.unpack("<I", self.read(rva, 4))[0]

    def thunk(self, rva):
        if self.pe32_plus:
            return struct.unpack("<Q", self.read(rva, 8))[0]
        return self.u32(rva)

    @property
    def thunk_size(self):
        return 8 if self.pe32_plus else 4

    @property
    def ordinal_flag(self):
        return 1 << 63 if self.pe32_plus else 1 << 31

    def c_string(self, rva, limit=512):
        off = self.offset_of(rva)
        if off is None:
            raise PEError("string RVA 0x%x is not in the file" % rva)
        end = self.data.find(b"\0", off, off + limit)
        if end < 0:
            raise PEError("unterminated string at RVA 0x%x" % rva)
        return self.data[off:end]


class Import:
    def __init__(self, dll, name=None, ordinal=None, delayed=False):
        self.dll = dll
        self.name = name
        self.ordinal = ordinal
        self.delayed = delayed

    def label(self):
        return self.name if self.name is not None else "@%d" % self.ordinal


def read_thunks(image, dll, table_rva, delayed):
    """The imports a table of thunks (an INT, or an IAT before binding) names."""
    imports = []
    rva = table_rva
    for _ in range(65536):
        value = image.thunk(rva)
        if value == 0:
            return imports
        if value & image.ordinal_flag:
            imports.append(Import(dll, ordinal=value & 0xFFFF, delayed=delayed))
        else:
            hint_name = value & 0x7FFFFFFF
            name = image.c_string(hint_name + 2).decode("latin-1")
            imports.append(Import(dll, name=name, delayed=delayed))
        rva += image.thunk_size
    raise PEError("import table of %s at 0x%x has no end" % (dll, table_rva))


def static_imports(image):
    rva, _ = image.directories[DIR_IMPORT]
    if rva == 0:
        return []
    imports = []
    for _ in range(4096):
        (original_first_thunk, _, _, name_rva,
         first_thunk) = struct.unpack("<IIIII", image.read(rva, 20))
        if original_first_thunk == 0 and name_rva == 0 and first_thunk == 0:
            return imports
        dll = image.c_string(name_rva).decode("latin-1")
        table = original_first_thunk or first_thunk
        imports.extend(read_thunks(image, dll, table, delayed=False))
        rva += 20
    raise PEError("import directory has no end")


def plausible_thunk_table(image, table_rva):
    """True when table_rva holds a zero-terminated run of hint/name RVAs (or
    ordinals) whose names look like exported symbol names."""
    if table_rva % 4 or image.offset_of(table_rva) is None:
        return False
    try:
        count = 0
        rva = table_rva
        while True:
            value = image.thunk(rva)
            if value == 0:
                return count > 0
            if not value & image.ordinal_flag:
                if not image.in_image(value) or value > 0x7FFFFFFF:
                    return False
                name = image.c_string(value + 2, 1024)
                if not IMPORT_NAME_PATTERN.fullmatch(name):
                    return False
            elif value & ~image.ordinal_flag & ~0xFFFF:
                return False
            count += 1
            rva += image.thunk_size
            if count > 65536:
                return False
    except PEError:
        return False


def find_delay_descriptors(image):
    """RVAs of the delay-import descriptors in the image.

    When the delay-import directory is filled in, it is read like the import
    directory. GNU ld leaves it empty, so otherwise every 4-byte aligned spot
    of every section with bytes in the file is tried as an RVA-based
    descriptor (ImgDelayDescr): attributes exactly 1; the DLL name RVA points
    at a zero-terminated DLL file name; the module handle slot, the IAT and
    the INT lie inside the image, the INT being a zero-terminated table of
    hint/name RVAs or ordinals, as long as the IAT beside it; the optional
    bound and unload IAT RVAs are zero or inside the image.
    """
    rva, _ = image.directories[DIR_DELAY_IMPORT]
    found = []
    if rva:
        for _ in range(4096):
            fields = struct.unpack("<8I", image.read(rva, DELAY_DESCRIPTOR_SIZE))
            if not any(fields):
                break
            found.append(rva)
            rva += DELAY_DESCRIPTOR_SIZE
        return found

    pattern = struct.pack("<I", 1)
    for s in image.sections:
        raw = image.data[s.raw_offset:s.raw_offset + min(s.raw_size, s.mapped_size)]
        start = 0
        while True:
            at = raw.find(pattern, start)
            if at < 0:
                break
            start = at + 1
            if at % 4 or at + DELAY_DESCRIPTOR_SIZE > len(raw):
                continue
            descriptor_rva = s.virtual_address + at
            if is_delay_descriptor(image, raw[at:at + DELAY_DESCRIPTOR_SIZE]):
                found.append(descriptor_rva)
    return found


def is_delay_descriptor(image, raw):
    (attributes, name_rva, hmod_rva, iat_rva, int_rva, bound_rva, unload_rva,
     _timestamp) = struct.unpack("<8I", raw)
    if attributes != 1:
        return False
    for rva in (name_rva, hmod_rva, iat_rva, int_rva):
        if not image.in_image(rva):
            return False
    for rva in (bound_rva, unload_rva):
        if rva and not image.in_image(rva):
            return False
    if hmod_rva % 4 or iat_rva % 4 or int_rva % 4 or iat_rva == int_rva:
        return False
    try:
        name = image.c_string(name_rva, 80)
    except PEError:
        return False
    if not DLL_NAME_PATTERN.fullmatch(name):
        return False
    if not plausible_thunk_table(image, int_rva):
        return False
    # The IAT has one slot per INT entry plus the terminator, all in the image.
    entries = len(read_thunks(image, "", int_rva, True))
    return image.in_image(iat_rva + entries * image.thunk_size)


def read_delay_descriptor(image, rva):
    """The DLL name, the address table's RVA and the name table's RVA of one
    delay-load descriptor."""
    (attributes, name_rva, _, iat_rva, int_rva, _, _, _) = struct.unpack(
        "<8I", image.read(rva, DELAY_DESCRIPTOR_SIZE))
    if attributes & 1 == 0:
        # Old VA-based descriptor (Visual C++ 6): make the fields RVAs.
        name_rva -= image.image_base
        iat_rva -= image.image_base
        int_rva -= image.image_base
    return image.c_string(name_rva).decode("latin-1"), iat_rva, int_rva


def delay_imports(image, descriptors=None):
    imports = []
    if descriptors is None:
        descriptors = find_delay_descriptors(image)
    for rva in descriptors:
        dll, _, int_rva = read_delay_descriptor(image, rva)
        imports.extend(read_thunks(image, dll, int_rva, delayed=True))
    return imports


def unbound_delay_slots(image, descriptors):
    """The delay-loaded imports whose IAT slot does not hold the address of
    code in the image. Before its first call a slot holds the address of the
    function's loader stub, which loads the DLL and writes the function's
    address into the slot; a slot that holds 0 sends the first call to
    address 0. (GNU ld for i386 drops the stub of a delay-loaded function that
    the code reaches only through its __imp_ slot, and leaves the slot 0.)"""
    unbound = []
    for rva in descriptors:
        dll, iat_rva, int_rva = read_delay_descriptor(image, rva)
        names = read_thunks(image, dll, int_rva, delayed=True)
        for index, imp in enumerate(names):
            target = image.thunk(iat_rva + index * image.thunk_size) - image.image_base
            section = image.section_of(target) if 0 < target < image.size_of_image else None
            if section is None or not section.characteristics & IMAGE_SCN_MEM_EXECUTE:
                unbound.append(imp)
    return unbound


class ExportList:
    """What one DLL exports on XP: names, and ordinals written as '@12'."""

    def __init__(self, path):
        self.path = path
        self.names = set()
        self.ordinals = set()
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if not line or line.startswith("#"):
                    continue
                if line.startswith("@") and line[1:].isdigit():
                    self.ordinals.add(int(line[1:]))
                else:
                    self.names.add(line)

    def allows(self, imp):
        if imp.name is not None:
            return imp.name in self.names
        return imp.ordinal in self.ordinals


def load_lists(directory):
    lists = {}
    if not os.path.isdir(directory):
        return lists
    for entry in os.listdir(directory):
        if entry.lower().endswith(".txt"):
            lists[entry[:-4].lower()] = ExportList(os.path.join(directory, entry))
    return lists


def check_program(path, lists, verbose):
    """Prints the report of one program; returns True when it passes."""
    try:
        image = Image(path)
        descriptors = find_delay_descriptors(image)
        imports = static_imports(image) + delay_imports(image, descriptors)
    except (OSError, PEError) as e:
        print("%s: cannot read: %s" % (path, e))
        return False
    ok = True
    print("%s:" % path)
    if image.magic != 0x10B or image.machine != 0x14C:
        print("  not a PE32 i386 image (magic 0x%x, machine 0x%x)" % (image.magic, image.machine))
        ok = False
    how = "directory" if image.directories[DIR_DELAY_IMPORT][0] else "found by scanning the image"
    print("  delay-import descriptors: %d (%s)%s" % (
        len(descriptors), how,
        "" if not verbose else " at RVA " + ", ".join("0x%x" % d for d in descriptors)))
    for what, major, minor in (("operating system", image.os_major, image.os_minor),
                               ("subsystem", image.subsystem_major, image.subsystem_minor)):
        verdict = "ok" if (major, minor) <= XP_VERSION else "ABOVE XP (5.1)"
        print("  %s version %d.%d: %s" % (what, major, minor, verdict))
        if (major, minor) > XP_VERSION:
            ok = False

    by_dll = {}
    for imp in imports:
        key = (imp.dll.lower(), imp.delayed)
        by_dll.setdefault(key, (imp.dll, []))[1].append(imp)
    offences = []
    for (dll_key, delayed), (dll, dll_imports) in sorted(by_dll.items()):
        export_list = lists.get(dll_key)
        kind = "delay-loaded" if delayed else "imported"
        if export_list is None:
            note = "NO LIST: not known to be on XP"
        else:
            missing = [i for i in dll_imports if not export_list.allows(i)]
            note = "%d not on XP" % len(missing) if missing else "all on XP"
        print("  %-14s %-12s %4d functions, %s" % (dll, kind, len(dll_imports), note))
        if verbose:
            for imp in dll_imports:
                print("      %s" % imp.label())
        for imp in dll_imports:
            if export_list is None or not export_list.allows(imp):
                offences.append((dll, imp, export_list is None))
    if offences:
        ok = False
        print("  not loadable on Windows XP:")
        for dll, imp, no_list in offences:
            print("    %s!%s%s%s" % (dll, imp.label(),
                                     " (delay-loaded)" if imp.delayed else "",
                                     " (no export list for this DLL)" if no_list else ""))
    unbound = unbound_delay_slots(image, descriptors)
    if unbound:
        ok = False
        print("  delay-load slots that do not lead to their loader stub (the first call jumps there):")
        for imp in unbound:
            print("    %s!%s" % (imp.dll, imp.label()))
    elif descriptors:
        print("  delay-load slots: every one leads to its loader stub")
    print("  %s" % ("PASS" if ok else "FAIL"))
    return ok


def main(argv):
    parser = argparse.ArgumentParser(
        description="Checks that PE32 programs import only what Windows XP SP3 exports.")
    parser.add_argument("programs", nargs="+", metavar="PROGRAM")
    parser.add_argument("--lists", default=DEFAULT_LIST_DIR,
                        help="folder of <dll>.txt export lists (default: tools/xp-exports)")
    parser.add_argument("-v", "--verbose", action="store_true",
                        help="also print every import")
    args = parser.parse_args(argv)
    lists = load_lists(os.path.normpath(args.lists))
    if not lists:
        print("no export lists in %s" % args.lists, file=sys.stderr)
        return 2
    results = [check_program(p, lists, args.verbose) for p in args.programs]
    failed = results.count(False)
    print("check_xp_imports: %d of %d programs %s" % (
        failed if failed else len(results), len(results),
        "cannot load on Windows XP" if failed else "import only what Windows XP exports"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
