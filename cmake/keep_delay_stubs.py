#!/usr/bin/env python3
"""Writes the linker options that keep the delay-load stubs a program needs.

GNU ld for i386 drops the loader stub of a delay-loaded function when the
program reaches the function only through its __imp_ slot (every call the
system headers declare dllimport: winsock, crypt32, user32, shell32, ole32),
and leaves that slot 0: the first call jumps to address 0. Naming the stub
with -u keeps it, and the slot then leads to it.

    keep_delay_stubs.py NM OUTPUT OBJECTS_LIST LIBRARIES_LIST DELAY_FOLDER

OBJECTS_LIST and LIBRARIES_LIST are the program's object and library lists
as the Makefile generator writes them for its link (paths relative to the
current folder). OUTPUT receives one "-Wl,-u,STUB" a line for every stub of
the delay libraries whose __imp_ slot an object or static library of the
program refers to; the delay libraries are the lib*_delay.a of DELAY_FOLDER.
"""
import glob
import os
import shlex
import subprocess
import sys


def nm_lines(nm, paths, *options):
    if not paths:
        return []
    result = subprocess.run([nm, *options, *paths], check=True, capture_output=True, text=True)
    return result.stdout.splitlines()


def main(argv):
    nm, output, objects_list, libraries_list, delay_folder = argv
    delay_libraries = sorted(glob.glob(os.path.join(delay_folder, "lib*_delay.a")))
    inputs = []
    for listing in (objects_list, libraries_list):
        with open(listing, encoding="utf-8") as f:
            for word in shlex.split(f.read()):
                if word.endswith((".obj", ".o", ".a")) and os.path.isfile(word):
                    inputs.append(word)
    delay = {os.path.realpath(p) for p in delay_libraries}
    inputs = [p for p in inputs if os.path.realpath(p) not in delay]
    wanted = set()
    for line in nm_lines(nm, inputs, "-u"):
        fields = line.split()
        if len(fields) == 2 and fields[0] == "U" and fields[1].startswith("__imp_"):
            wanted.add(fields[1][len("__imp_"):])
    stubs = set()
    for line in nm_lines(nm, delay_libraries, "-g", "--defined-only"):
        fields = line.split()
        if len(fields) == 3 and fields[1] == "T" and fields[2] in wanted:
            stubs.add(fields[2])
    text = "".join("-Wl,-u,%s\n" % stub for stub in sorted(stubs))
    old = open(output, encoding="utf-8").read() if os.path.exists(output) else None
    if text != old:
        with open(output, "w", encoding="utf-8") as f:
            f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
