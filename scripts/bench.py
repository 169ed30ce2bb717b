#!/usr/bin/env python3
"""The measurement loop of scripts/bench.

    bench.py --root ROOT --programs FOLDER --deps FOLDER --wine WINE --win-user NAME
             [--runs N] [--big-runs N] [--only LIST] [--readme]

scripts/bench builds the programs, makes the Wine prefix, starts one
wineserver and the development service (its configuration in
build/bench/service/config.json, TAVRIN_SERVICE_HOST exported), then runs
this program, which copies the programs to measure, generates the inputs
once, takes every measurement into build/bench/raw.jsonl and hands that to
bench_report.py for the table and build/bench/results.json. The prefix
comes from WINEPREFIX, the package password from TAVRIN_PACKAGE_PASSWORD.
"""
import argparse
import json
import ntpath
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

import bench_report

SECTIONS = ("start", "apply", "download", "handoff", "remove", "memory", "size")
SIZES = (10, 100, 400)
DOWNLOAD_SIZE = 100
GENERATOR_VERSION = 1
# The programs measured, copied once (see snapshot_programs).
PROGRAMS = ("TavrinLauncher.exe", "TavrinLauncherLegacy.exe", "Mirup.exe", "tavrin.exe", "tavrin_proxy.exe",
            "standin_quit.exe", "debug_echo.exe", "uninst_driver.exe",
            "bench_probe.exe", "bench_unzip.exe", "bench_remove_tree.exe", "bench_fetch.exe")
SHIPPING_PROGRAMS = ("TavrinLauncher.exe", "Mirup.exe", "uninst.exe")
INSTALL_WIN = "C:\\Program Files (x86)\\Tavrin"
WORK_WIN = "C:\\bench"
INSTALL_KEY = "HKLM\\SOFTWARE\\tavrin"
# A settings reply that waits in the data folder for the second launcher
# start figure.
SETTINGS_REPLY = '{"bookmarks":"3","search_engines":"4","navigate_page":"5"}'


def log(text):
    print(f"[bench] {text}", flush=True)


def winpath(path):
    """The Wine path of a Unix path (drive Z: is the Unix root)."""
    return "Z:" + str(path).replace("/", "\\")


def wine_environment(**extra):
    """Wine runs as on a Chinese Windows, whose ANSI code page is 936."""
    return dict(os.environ, LANG="zh_CN.UTF-8", LC_ALL="", **extra)


def directory_contents(folder):
    """(number of files, total bytes) below FOLDER."""
    files = total = 0
    for parent, _, names in os.walk(folder):
        for name in names:
            files += 1
            total += os.path.getsize(os.path.join(parent, name))
    return files, total


def file_count(folder):
    return directory_contents(folder)[0]


def same_file(first, second):
    """What `cmp -s` says: both exist and hold the same bytes."""
    try:
        with open(first, "rb") as a, open(second, "rb") as b:
            while True:
                piece = a.read(1 << 20)
                if piece != b.read(1 << 20):
                    return False
                if not piece:
                    return True
    except OSError:
        return False


def fresh_folder(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)


def remove_file(path):
    try:
        os.unlink(path)
    except FileNotFoundError:
        pass


def line_count(path):
    with open(path, encoding="utf-8") as f:
        return sum(1 for _ in f)


def last_json_line(text):
    """The last line a probe printed, parsed; None when it printed nothing
    readable."""
    lines = text.strip().splitlines()
    try:
        return json.loads(lines[-1]) if lines else None
    except ValueError:
        return None


class RawLog:
    """build/bench/raw.jsonl: one JSON object per measurement."""

    def __init__(self, path):
        self.path = path
        open(path, "w").close()

    def record(self, value):
        with open(self.path, "a", encoding="utf-8") as f:
            f.write(json.dumps(value, ensure_ascii=False) + "\n")

    def note_load(self, when):
        with open("/proc/loadavg") as f:
            loads = [float(v) for v in f.read().split()[:3]]
        self.record({"kind": "load", "when": when, "loadavg": loads, "time": int(time.time())})


class Bench:
    """The paths, options and Wine helpers every section uses."""

    def __init__(self, options):
        self.options = options
        self.root = options.root
        self.build = os.path.join(self.root, "build")
        self.dir = os.path.join(self.build, "bench")
        self.bin = os.path.join(self.dir, "bin")               # snapshot of the programs measured
        self.packages = os.path.join(self.dir, "packages")
        self.tree_template = os.path.join(self.dir, "tree-template")
        self.service_dir = os.path.join(self.dir, "service")
        self.service_config_path = os.path.join(self.service_dir, "config.json")
        self.requests = os.path.join(self.service_dir, "requests.jsonl")
        self.runs_log = os.path.join(self.dir, "browser-runs.jsonl")
        self.service_bin = os.path.join(self.build, "host", "bin", "tavrin-devservice")
        self.wine = options.wine
        self.password = os.environ["TAVRIN_PACKAGE_PASSWORD"]
        drive_c = os.path.join(os.environ["WINEPREFIX"], "drive_c")
        self.install = os.path.join(drive_c, "Program Files (x86)", "Tavrin")
        self.data = os.path.join(drive_c, "users", options.win_user, "AppData", "Local", "Halvex", "tavrin",
                                 "launcher")
        self.work = os.path.join(drive_c, "bench")
        self.raw = RawLog(os.path.join(self.dir, "raw.jsonl"))

    def wanted(self, section):
        return section in self.options.only

    def program(self, name):
        return os.path.join(self.bin, name)

    def package(self, size):
        return os.path.join(self.packages, f"tavrin-{size}.zip")

    def manifest(self, size):
        return os.path.join(self.packages, f"tavrin-{size}.json")

    # ------------------------------------------------------------ Wine
    def run_wine(self, *arguments, cwd=None):
        """A Windows program run from Linux; its standard output as text
        (Wine's own tools write code page 936, which is not read here)."""
        done = subprocess.run([self.wine, *arguments], cwd=cwd, env=wine_environment(), stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return done.stdout.decode("utf-8", "replace")

    def probe(self, *command):
        """bench_probe from inside Windows, in the install folder: the JSON
        line it prints (start_filetime, elapsed_ms), None when it printed none."""
        return last_json_line(self.run_wine(winpath(self.program("bench_probe.exe")), "run", *command,
                                            cwd=self.install))

    def regadd(self, key, name, value):
        """A REG_SZ value in the 32-bit view, as the 32-bit installer writes it."""
        self.run_wine("reg", "add", key, "/reg:32", "/v", name, "/t", "REG_SZ", "/d", value, "/f")

    def quit_browsers(self):
        self.run_wine(winpath(self.program("standin_quit.exe")))

    # ------------------------------------------------------------ installation and service
    def install_browser(self):
        """The installation the launcher starts from."""
        fresh_folder(self.install)
        os.makedirs(os.path.join(self.install, "update"))
        os.makedirs(os.path.join(self.install, "1.0.0.1"))
        for name in ("TavrinLauncher.exe", "tavrin.exe"):
            shutil.copy(self.program(name), self.install)
        shutil.copy(self.program("Mirup.exe"), os.path.join(self.install, "update"))
        write_text(os.path.join(self.install, "1.0.0.1", "resources.pak"), "resources of 1.0.0.1\n")
        self.regadd(INSTALL_KEY, "installpath", INSTALL_WIN)
        self.regadd(INSTALL_KEY, "channel", "gw")
        self.regadd(INSTALL_KEY, "version", "1.0.0.1")
        self.regadd(INSTALL_KEY, "appname", "塔文浏览器")

    def clear_data_dir(self):
        fresh_folder(self.data)

    def configure_service(self, update):
        """What the development service answers: UPDATE is the offer (None: no update)."""
        with open(self.service_config_path, "w") as f:
            json.dump({"settings": None, "update": update, "packages_dir": self.packages}, f)

    def offer(self, with_digest):
        update = {"version": "1.0.0.2", "fileurl": f"{{base}}/packages/tavrin-{DOWNLOAD_SIZE}.zip"}
        if with_digest:
            update["sha256"] = "auto"
        return update

    def browser_runs(self):
        return line_count(self.runs_log)

    def wait_for_browser_run(self, count):
        """Waits (up to 10 s) until the stand-in recorded COUNT runs."""
        for _ in range(200):
            if self.browser_runs() >= count:
                return True
            time.sleep(0.05)
        return False

    def last_browser_run(self):
        with open(self.runs_log, encoding="utf-8") as f:
            return json.loads(f.readlines()[-1])

    def holds_package(self, folder, size):
        """FOLDER holds exactly the files and bytes of the package."""
        with open(self.manifest(size)) as f:
            want = json.load(f)
        return directory_contents(folder) == (want["files"], want["content_bytes"])


def write_text(path, text):
    with open(path, "w") as f:
        f.write(text)


# ---------------------------------------------------------------- programs
def snapshot_programs(bench):
    """The programs are copied once, so a build running beside the bench does
    not change them half-way."""
    source = bench.options.programs
    shutil.rmtree(bench.bin, ignore_errors=True)
    os.makedirs(os.path.join(bench.bin, "browser-1.0.0.2"))
    for name in PROGRAMS:
        if not os.path.isfile(os.path.join(source, name)):
            sys.exit(f"[bench] missing {source}/{name}: build win64 first")
        shutil.copy(os.path.join(source, name), bench.bin)
    shutil.copy(os.path.join(source, "browser-1.0.0.2", "tavrin.exe"), os.path.join(bench.bin, "browser-1.0.0.2"))
    # The download figure's baseline: without it that figure has no ratio.
    curl = os.path.join(bench.options.deps, "bin", "curl.exe")
    if os.path.isfile(curl):
        shutil.copy(curl, bench.bin)
    else:
        log(f"missing {curl} (run scripts/setup): no curl under Wine for the download figure")


def record_machine(bench):
    options = bench.options
    wine_version = subprocess.run([bench.wine, "--version"], capture_output=True, text=True).stdout.strip()
    bench.raw.record({"kind": "machine", "cores": len(os.sched_getaffinity(0)), "wine": wine_version,
                      "runs": options.runs, "start_runs": options.runs * 3, "big_runs": options.big_runs,
                      "date": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime())})


# ---------------------------------------------------------------- inputs
# Packages: many small files (0.5 to 96 KiB, in nested folders) holding 45 %
# of the bytes and three large files the rest, every file half random bytes
# and half text-like bytes (64 KiB pieces, or per small file), plus the
# stand-in browser 1.0.0.2 at the top. Encrypted with the updater's password.
def package_is_current(bench, size):
    if not (os.path.isfile(bench.manifest(size)) and os.path.isfile(bench.package(size))):
        return False
    with open(bench.manifest(size)) as f:
        return json.load(f)["generator"] == GENERATOR_VERSION


def generate_package(bench, size):
    if package_is_current(bench, size):
        return
    log(f"generating the {size} MiB package (once; reused by later runs)")
    source = os.path.join(bench.dir, "package-source")
    fresh_folder(source)
    remove_file(bench.package(size))
    subprocess.run(["x86_64-w64-mingw32-strip", "-o", os.path.join(source, "tavrin.exe"),
                    bench.program(os.path.join("browser-1.0.0.2", "tavrin.exe"))], check=True)
    write_package_content(source, size)
    subprocess.run(["nice", "zip", "-q", "-r", "-P", bench.password, bench.package(size), "."], cwd=source,
                   check=True)
    files, total = directory_contents(source)
    with open(bench.manifest(size), "w") as f:
        json.dump({"size_mib": size, "files": files, "content_bytes": total,
                   "zip_bytes": os.path.getsize(bench.package(size)), "generator": GENERATOR_VERSION}, f)
    shutil.rmtree(source)


class ContentMaker:
    """The bytes of a package's files, the same for every run of a size."""

    def __init__(self, size_mib):
        self.rng = random.Random(9000 + size_mib)
        self.text = self.text_corpus()

    def text_corpus(self):
        rng = self.rng
        vocabulary = ["".join(rng.choice("etaoinshrdlucmfwypvbgkjqxz") for _ in range(rng.randint(2, 10)))
                      for _ in range(3000)]
        words = []
        length = 0
        while length < 2**20:
            word = rng.choice(vocabulary) + (" " if rng.random() > 0.1 else "\n")
            words.append(word)
            length += len(word)
        return ("".join(words) * 2).encode()

    def text_bytes(self, n):
        start = self.rng.randrange(0, 2**20)
        return self.text[start:start + n] if n <= 2**20 else (self.text * (n // len(self.text) + 1))[:n]

    def mixed_bytes(self, n):
        out = bytearray()
        while len(out) < n:
            piece = min(65536, n - len(out))
            out += self.rng.randbytes(piece) if self.rng.random() < 0.5 else self.text_bytes(piece)
        return bytes(out)

    def small_file_bytes(self, n):
        return self.rng.randbytes(n) if self.rng.random() < 0.5 else self.text_bytes(n)


def write_file(root, relative, data):
    path = os.path.join(root, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def write_package_content(root, size_mib):
    maker = ContentMaker(size_mib)
    total = size_mib * 2**20 - os.path.getsize(os.path.join(root, "tavrin.exe"))
    version = "1.0.0.2"
    large = [int(total * share) for share in (0.25, 0.18, 0.12)]
    for i, n in enumerate(large):
        write_file(root, f"{version}/large{i}.pak", maker.mixed_bytes(n))
    left = total - sum(large)
    index = 0
    while left > 0:
        n = min(left, int(2 ** maker.rng.uniform(9, 16.6)))
        write_file(root, f"{version}/res/d{index % 16:02d}/s{(index // 16) % 8}/f{index:05d}.bin",
                   maker.small_file_bytes(n))
        left -= n
        index += 1


def generate_tree(bench):
    """The removal tree: 20 folders of 20 folders of 50 files (0 to 2 KiB)."""
    complete = os.path.join(bench.tree_template, ".complete")
    if os.path.exists(complete):
        return
    log("generating the 20,000-file removal tree (once)")
    shutil.rmtree(bench.tree_template, ignore_errors=True)
    rng = random.Random(20000)
    for a in range(20):
        for b in range(20):
            folder = os.path.join(bench.tree_template, f"dir{a:02d}", f"sub{b:02d}")
            os.makedirs(folder)
            for c in range(50):
                with open(os.path.join(folder, f"file{c:02d}.dat"), "wb") as f:
                    f.write(b"x" * rng.randint(0, 2048))
    open(complete, "w").close()


def generate_inputs(bench):
    if any(bench.wanted(s) for s in ("apply", "download", "handoff", "memory")):
        for size in SIZES:
            generate_package(bench, size)
            with open(bench.manifest(size)) as f:
                bench.raw.record(dict(json.load(f), kind="package"))
    if bench.wanted("remove"):
        generate_tree(bench)


# ---------------------------------------------------------------- 1. launcher start
# TavrinLauncher.exe started from inside Windows (bench_probe notes the time
# right before CreateProcessW) until the stand-in browser's first
# instruction (its recorded start time), against tavrin.exe started the same
# way, and against bench_probe relay, which does nothing but start the
# browser: under Wine every process start costs about as much as the
# browser's own, so that shows the launcher's own work.
START_VARIANTS = ("direct", "relay", "launcher", "launcher_settings")


def write_settings_reply(bench):
    """Settings from an earlier run wait in "corveldata.tsc" every second
    start; one such start is measured as well. A stored reply is checked for
    its digest only, so any nonce serves."""
    path = os.path.join(bench.dir, "corveldata.tsc")
    with open(path, "wb") as out:
        subprocess.run([bench.service_bin, "protect", "--key",
                        os.path.join(bench.root, "tests", "data", "keys", "test_private.pem"),
                        "--nonce", "0" * 32], input=SETTINGS_REPLY.encode(), stdout=out, check=True)
    return path


def start_command(bench, variant):
    browser = INSTALL_WIN + "\\tavrin.exe"
    if variant == "direct":
        return [browser]
    if variant == "relay":
        return [winpath(bench.program("bench_probe.exe")), "relay", browser]
    return [INSTALL_WIN + "\\TavrinLauncher.exe"]


def start_once(bench, variant, run, settings_reply):
    bench.clear_data_dir()
    if variant == "launcher_settings":
        shutil.copy(settings_reply, os.path.join(bench.data, "corveldata.tsc"))
    before = bench.browser_runs()
    time.sleep(0.3)   # what the previous run left (an ending browser) settles first
    line = bench.probe(*start_command(bench, variant))
    if line is None or not bench.wait_for_browser_run(before + 1):
        # What went wrong: the probe's line (None when it could not start the
        # program) and how many browser runs were recorded.
        bench.raw.record({"kind": "time", "figure": "launcher_start", "variant": variant, "run": run, "ok": False,
                          "probe": line, "browser_runs_before": before, "browser_runs_after": bench.browser_runs()})
        return
    browser = bench.last_browser_run()
    bench.raw.record({"kind": "time", "figure": "launcher_start", "variant": variant, "run": run,
                      "ms": (browser["start_filetime"] - line["start_filetime"]) / 1e4,
                      "switches": str(browser["has_switches"]), "ok": True})


def measure_start(bench):
    runs = bench.options.runs * 3   # short runs, noisy under Wine: three times as many
    log(f"1. launcher start ({runs} runs each, interleaved)")
    bench.raw.note_load("start-section")
    os.environ["TAVRIN_STANDIN_LIFETIME"] = "0"
    settings_reply = write_settings_reply(bench)
    for run in range(runs + 1):   # run 0 is the warm-up
        for variant in START_VARIANTS:
            start_once(bench, variant, run, settings_reply)
    time.sleep(0.5)
    bench.quit_browsers()


# ---------------------------------------------------------------- 2. update apply
# Mirup.exe -f PACKAGE -p FOLDER against bench_unzip.exe, a minimal
# extractor on the same minizip and zlib that only decrypts, inflates and
# writes. Every run's result is checked by file count and byte total.
def prepare_apply_folder(bench, folder, size):
    fresh_folder(os.path.join(folder, "install", "1.0.0.1"))
    write_text(os.path.join(folder, "install", "1.0.0.1", "resources.pak"), "resources of 1.0.0.1\n")
    os.link(bench.package(size), os.path.join(folder, "uppackage.zip"))
    bench.regadd(INSTALL_KEY, "version", "1.0.0.1")
    # Mirup applies only to the recorded installation, as the launcher's
    # hand-over names it.
    bench.regadd(INSTALL_KEY, "installpath", WORK_WIN + "\\apply\\install")
    os.sync()


def apply_once(bench, size, variant, run):
    folder = os.path.join(bench.work, "apply")
    folder_win = WORK_WIN + "\\apply"
    shutil.rmtree(folder, ignore_errors=True)
    prepare_apply_folder(bench, folder, size)
    if variant == "mirup":
        line = bench.probe(winpath(bench.program("Mirup.exe")), "-f", folder_win + "\\uppackage.zip",
                           "-p", folder_win + "\\install")
    else:
        shutil.rmtree(os.path.join(folder, "install", "1.0.0.1"))
        line = bench.probe(winpath(bench.program("bench_unzip.exe")), folder_win + "\\uppackage.zip",
                           folder_win + "\\install", bench.password)
    # What was written must be the whole package, and nothing of 1.0.0.1 left.
    ok = line is not None and bench.holds_package(os.path.join(folder, "install"), size)
    if variant == "mirup" and os.path.exists(os.path.join(folder, "uppackage.zip")):
        ok = False   # Mirup deletes an applied package
    bench.raw.record({"kind": "time", "figure": "apply", "size_mib": size, "variant": variant, "run": run,
                      "ms": line["elapsed_ms"] if line else None, "ok": ok})


def measure_apply(bench):
    bench.quit_browsers()   # the updater gives up while a browser runs
    for size in SIZES:
        runs = bench.options.big_runs if size >= 400 else bench.options.runs
        log(f"2. update apply, {size} MiB ({runs} runs each, interleaved)")
        bench.raw.note_load(f"apply-{size}")
        for run in range(1, runs + 1):
            for variant in ("baseline", "mirup"):
                apply_once(bench, size, variant, run)
    shutil.rmtree(os.path.join(bench.work, "apply"), ignore_errors=True)
    bench.install_browser()   # Mirup recorded the new version in the registry


# ---------------------------------------------------------------- 3. download
# The launcher's transfer of the offered package (with its SHA-256, so it
# hashes the package as it arrives), from the creation of
# uppackage.zip.temp to its rename, against the curl command-line tool for
# Windows (built by scripts/setup from the same source as the launcher's
# libcurl) fetching the same URL under Wine, started and timed by
# bench_probe (process start included). For reference: the native Linux curl
# (no Wine) and bench_fetch.exe (plain libcurl under Wine); and the package
# bytes the service sent per completed update.
def time_transfer(child, data):
    """Polls every millisecond from the partial file's creation to its rename
    while CHILD runs (at most 300 s); the (began, done) monotonic times, done
    None when the package did not arrive."""
    partial, target = os.path.join(data, "uppackage.zip.temp"), os.path.join(data, "uppackage.zip")
    began = done = None
    deadline = time.monotonic() + 300
    while time.monotonic() < deadline and child.poll() is None:
        now = time.monotonic()
        if began is None and os.path.exists(partial):
            began = now
        if began is not None and os.path.exists(target):
            done = now
            break
        time.sleep(0.001)
    child.wait()
    return began, done


def under_gnu_time(peak_path, command):
    """COMMAND run under GNU time, which writes its peak resident set in KiB
    to PEAK_PATH (a small parent, so nothing of this program's own memory is
    counted in)."""
    return ["/usr/bin/time", "-f", "%M", "-o", peak_path] + command


def read_peak_kib(peak_path):
    with open(peak_path) as f:
        peak = int(f.read().split()[-1])
    os.unlink(peak_path)
    return peak


def new_peak_file():
    with tempfile.NamedTemporaryFile(delete=False) as f:
        return f.name


def download_native_curl(bench, url, run):
    """Reference: the native Linux curl (no Wine), process start included."""
    target = os.path.join(bench.dir, "curl", "package.zip")
    remove_file(target)
    started = time.monotonic_ns()
    subprocess.run(["curl", "-s", "-o", target, url])
    ms = (time.monotonic_ns() - started) / 1e6
    bench.raw.record({"kind": "time", "figure": "download", "variant": "curl", "run": run, "ms": ms,
                      "ok": same_file(target, bench.package(DOWNLOAD_SIZE))})


def download_under_wine(bench, variant, command, target, run):
    """A Windows program started and timed by bench_probe (process start
    included); ok when TARGET then holds the package."""
    remove_file(target)
    line = bench.probe(*command)
    ok = line is not None and same_file(target, bench.package(DOWNLOAD_SIZE))
    bench.raw.record({"kind": "time", "figure": "download", "variant": variant, "run": run,
                      "ms": line["elapsed_ms"] if line else None, "ok": ok})
    remove_file(target)


def package_requests(bench, seen):
    """The service's log lines of /packages/ requests after the first SEEN lines."""
    with open(bench.requests, encoding="utf-8") as f:
        lines = [json.loads(text) for text in f][seen:]
    return [entry for entry in lines if entry["path"].startswith("/packages/")]


def download_by_launcher(bench, run):
    """The launcher started from Linux; its own peak working set is measured
    in the same run (see the memory section)."""
    bench.clear_data_dir()
    seen = line_count(bench.requests) if os.path.exists(bench.requests) else 0
    peak_path = new_peak_file()
    child = subprocess.Popen(under_gnu_time(peak_path, [bench.wine, "TavrinLauncher.exe"]), cwd=bench.install,
                             env=wine_environment(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    began, done = time_transfer(child, bench.data)
    peak_kib = read_peak_kib(peak_path)
    requests = package_requests(bench, seen)
    size = os.path.getsize(bench.package(DOWNLOAD_SIZE))
    target = os.path.join(bench.data, "uppackage.zip")
    ok = done is not None and os.path.exists(target) and os.path.getsize(target) == size
    bench.raw.record({"kind": "time", "figure": "download", "variant": "launcher", "run": run,
                      "size_mib": DOWNLOAD_SIZE, "ms": (done - began) * 1000 if ok else None, "ok": ok,
                      "package_bytes": size,
                      "package_requests": [[r["method"], r.get("range"), r["bytes_sent"], r["complete"]]
                                           for r in requests],
                      "bytes_sent": sum(r["bytes_sent"] for r in requests)})
    bench.raw.record({"kind": "memory", "program": "TavrinLauncher.exe",
                      "what": f"a start that downloads the {DOWNLOAD_SIZE} MiB package", "run": run, "kib": peak_kib})


def measure_download(bench):
    runs = bench.options.runs
    log(f"3. download of the {DOWNLOAD_SIZE} MiB package ({runs} runs each, interleaved)")
    bench.raw.note_load("download")
    bench.quit_browsers()
    bench.install_browser()
    url = f"http://{os.environ['TAVRIN_SERVICE_HOST']}/packages/tavrin-{DOWNLOAD_SIZE}.zip"
    bench.configure_service(bench.offer(with_digest=True))
    os.environ["TAVRIN_STANDIN_LIFETIME"] = "wait"
    os.makedirs(os.path.join(bench.dir, "curl"), exist_ok=True)
    curl_exe = bench.program("curl.exe")
    for run in range(1, runs + 1):
        download_native_curl(bench, url, run)
        if os.path.isfile(curl_exe):
            download_under_wine(bench, "curl_wine", [winpath(curl_exe), "-s", "-o", WORK_WIN + "\\curl.zip", url],
                                os.path.join(bench.work, "curl.zip"), run)
        download_under_wine(bench, "libcurl_wine",
                            [winpath(bench.program("bench_fetch.exe")), url, WORK_WIN + "\\fetched.zip"],
                            os.path.join(bench.work, "fetched.zip"), run)
        download_by_launcher(bench, run)
        bench.quit_browsers()
    bench.configure_service(None)
    shutil.rmtree(os.path.join(bench.dir, "curl"), ignore_errors=True)


# ---------------------------------------------------------------- 3b. digest checks
# The cost of the package digest, from the download to the hand-off: one
# start downloads the offered package, the next hands it to the updater.
# With the checks: the launcher, an offer naming the package's SHA-256 (hashed
# while it arrives, and again at the hand-off). Without: the launcher as a
# build for an older service makes it (TavrinLauncherLegacy.exe), given an
# offer without "sha256", which it takes on the package's size alone. The
# updater is the stand-in, which records the time of its first instruction.
def prepare_handoff(bench, variant):
    launcher = "TavrinLauncher.exe" if variant == "checked" else "TavrinLauncherLegacy.exe"
    bench.install_browser()
    shutil.copy(bench.program(launcher), os.path.join(bench.install, "TavrinLauncher.exe"))
    shutil.copy(bench.program("tavrin_proxy.exe"), os.path.join(bench.install, "update", "Mirup.exe"))
    bench.configure_service(bench.offer(with_digest=variant == "checked"))
    bench.clear_data_dir()


def handoff_download(bench):
    """First start: the download, timed from the partial file to the
    package; its time in ms, None when the package did not arrive."""
    env = wine_environment(TAVRIN_STANDIN_LIFETIME="wait")
    child = subprocess.Popen([bench.wine, "TavrinLauncher.exe"], cwd=bench.install, env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    began, done = time_transfer(child, bench.data)
    subprocess.run([bench.wine, winpath(bench.program("standin_quit.exe"))], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return None if done is None else (done - began) * 1000


def wait_for_updater_run(bench, runs_before):
    """The stand-in's record of its start as Mirup.exe (up to 20 s), or None."""
    for _ in range(400):
        with open(bench.runs_log, encoding="utf-8") as f:
            runs = [json.loads(text) for text in f][runs_before:]
        updater = next((r for r in runs if r.get("exe", "").endswith("\\Mirup.exe")), None)
        if updater:
            return updater
        time.sleep(0.05)
    return None


def handoff_start(bench):
    """Second start: from the launcher's process start to the updater's first
    instruction, in ms; None when the updater did not start."""
    runs_before = bench.browser_runs()
    env = wine_environment(TAVRIN_STANDIN_LIFETIME="0")
    output = subprocess.run([bench.wine, winpath(bench.program("bench_probe.exe")), "run",
                             INSTALL_WIN + "\\TavrinLauncher.exe"], cwd=bench.install, env=env,
                            capture_output=True).stdout.decode("utf-8", "replace")
    updater = wait_for_updater_run(bench, runs_before)
    line = last_json_line(output)
    if line is None or updater is None:
        return None
    return (updater["start_filetime"] - line["start_filetime"]) / 1e4


def handoff_once(bench, variant, run):
    prepare_handoff(bench, variant)
    record = {"kind": "time", "figure": "handoff", "variant": variant, "run": run, "ok": False}
    download_ms = handoff_download(bench)
    if download_ms is not None:
        record["download_ms"] = download_ms
        handoff_ms = handoff_start(bench)
        if handoff_ms is not None:
            record.update(handoff_ms=handoff_ms, ms=download_ms + handoff_ms, ok=True)
    bench.raw.record(record)


def measure_handoff(bench):
    runs = bench.options.runs
    log(f"3b. download and hand-off of the {DOWNLOAD_SIZE} MiB package, with and without the digest checks "
        f"({runs} runs each, interleaved)")
    bench.raw.note_load("handoff")
    bench.quit_browsers()
    for run in range(runs + 1):   # run 0 is the warm-up
        for variant in ("checked", "unchecked"):
            handoff_once(bench, variant, run)
    bench.configure_service(None)
    bench.install_browser()


# ---------------------------------------------------------------- 4. removal
# DeleteDirectory (bench_remove_tree.exe) on a tree of 20,000 files against
# "cmd /c rd /s /q" on an identical tree.
def remove_once(bench, variant, run):
    tree = os.path.join(bench.work, "tree")
    shutil.rmtree(tree, ignore_errors=True)
    subprocess.run(["nice", "cp", "-a", bench.tree_template, tree], check=True)
    remove_file(os.path.join(tree, ".complete"))
    os.sync()
    if variant == "rd":
        line = bench.probe("C:\\windows\\system32\\cmd.exe", "/c", "rd", "/s", "/q", WORK_WIN + "\\tree")
    else:
        line = bench.probe(winpath(bench.program("bench_remove_tree.exe")), WORK_WIN + "\\tree")
    bench.raw.record({"kind": "time", "figure": "remove", "variant": variant, "run": run,
                      "ms": line["elapsed_ms"] if line else None,
                      "ok": line is not None and not os.path.exists(tree)})


def measure_remove(bench):
    runs = bench.options.runs
    log(f"4. removal of a 20,000-file tree ({runs} runs each, interleaved)")
    bench.raw.note_load("remove")
    for run in range(1, runs + 1):
        for variant in ("rd", "DeleteDirectory"):
            remove_once(bench, variant, run)
    shutil.rmtree(os.path.join(bench.work, "tree"), ignore_errors=True)


# ---------------------------------------------------------------- 5. memory and size
# Peak working set: the peak resident set of the program's own Wine process,
# started from Linux under GNU time (its %M, ru_maxrss from wait4; Wine
# reports the same number, VmHWM, as PeakWorkingSetSize). It includes Wine's
# own DLLs, so an empty program (debug_echo.exe) is measured the same way as
# the floor.
def peak_record(bench, what, program, *arguments):
    """Runs a Windows program from Linux; its peak as a memory record."""
    peak_path = new_peak_file()
    code = subprocess.call(under_gnu_time(peak_path, [bench.wine, program, *arguments]), env=wine_environment(),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return {"kind": "memory", "program": ntpath.basename(program.replace("/", "\\")), "what": what,
            "kib": read_peak_kib(peak_path), "exit_code": code}


def memory_record(bench, what, did_its_work, program, *arguments):
    """Records the peak when DID_ITS_WORK (asked afterwards) says the run did its work."""
    record = peak_record(bench, what, program, *arguments)
    bench.raw.record(record if did_its_work() else {"kind": "memory_failed", "what": what})


def fresh_memory_dir(bench, folder):
    fresh_folder(folder)
    os.makedirs(os.path.join(folder, "install"))
    os.link(bench.package(DOWNLOAD_SIZE), os.path.join(folder, "uppackage.zip"))
    bench.regadd(INSTALL_KEY, "installpath", WORK_WIN + "\\memory\\install")   # Mirup's installation


def prepare_uninstall(bench, folder):
    """An installation holding the 10 MiB package's files, registered, for
    the uninstaller's engine."""
    install = os.path.join(folder, "install")
    fresh_folder(folder)
    os.makedirs(install)
    subprocess.run(["unzip", "-q", "-P", bench.password, bench.package(10)], cwd=install, check=True)
    for name in ("uninst_driver.exe", "TavrinLauncher.exe"):
        shutil.copy(bench.program(name), install)
    bench.regadd(INSTALL_KEY, "installpath", WORK_WIN + "\\memory\\install")


def memory_run(bench, folder):
    folder_win = WORK_WIN + "\\memory"
    install = os.path.join(folder, "install")
    memory_record(bench, "an empty program (the floor)", lambda: True, bench.program("debug_echo.exe"))
    fresh_memory_dir(bench, folder)
    memory_record(bench, f"applying the {DOWNLOAD_SIZE} MiB package",
                  lambda: bench.holds_package(install, DOWNLOAD_SIZE), bench.program("Mirup.exe"),
                  "-f", folder_win + "\\uppackage.zip", "-p", folder_win + "\\install")
    fresh_memory_dir(bench, folder)
    memory_record(bench, f"extracting the {DOWNLOAD_SIZE} MiB package",
                  lambda: bench.holds_package(install, DOWNLOAD_SIZE), bench.program("bench_unzip.exe"),
                  folder_win + "\\uppackage.zip", folder_win + "\\install", bench.password)
    # The uninstaller's engine (the window program is not measured): a whole
    # uninstall run from an installation holding the 10 MiB package's files.
    prepare_uninstall(bench, folder)
    memory_record(bench, "a whole uninstall (engine without its window)", lambda: file_count(install) <= 1,
                  folder_win + "\\install\\uninst_driver.exe", "run", "--no-window")


def measure_memory(bench):
    log("5. peak working sets (3 runs each)")
    bench.raw.note_load("memory")
    bench.quit_browsers()
    folder = os.path.join(bench.work, "memory")
    for _ in range(3):
        memory_run(bench, folder)
    shutil.rmtree(folder, ignore_errors=True)
    bench.install_browser()


def measure_size(bench):
    """The i686 programs as built and stripped."""
    win32_bin = os.path.join(bench.build, "win32", "bin")
    for name in SHIPPING_PROGRAMS:
        built = os.path.join(win32_bin, name)
        if not os.path.isfile(built):
            bench.raw.record({"kind": "size", "program": name, "bytes": None})
            continue
        stripped = os.path.join(bench.dir, "stripped-" + name)
        subprocess.run(["i686-w64-mingw32-strip", "-o", stripped, built], check=True)
        bench.raw.record({"kind": "size", "program": name, "bytes": os.path.getsize(built),
                          "stripped_bytes": os.path.getsize(stripped)})
        os.unlink(stripped)


# ---------------------------------------------------------------- the run
MEASUREMENTS = (("start", measure_start), ("apply", measure_apply), ("download", measure_download),
                ("handoff", measure_handoff), ("remove", measure_remove), ("memory", measure_memory),
                ("size", measure_size))


def prepare_run(bench):
    """The working folder, the browser runs' log and the installation."""
    fresh_folder(bench.work)
    open(bench.runs_log, "w").close()
    os.environ["TAVRIN_STANDIN_LOG"] = winpath(bench.runs_log)
    os.environ["TAVRIN_STANDIN_MAX_MS"] = "120000"
    bench.configure_service(None)
    bench.install_browser()


def write_report(bench):
    report = [bench.raw.path, "--json", os.path.join(bench.dir, "results.json"),
              "--markdown", os.path.join(bench.dir, "table.md")]
    if bench.options.readme:
        report += ["--readme", os.path.join(bench.root, "README.md")]
    bench_report.main(report)
    log(f"results: {os.path.join(bench.dir, 'results.json')} (raw measurements: {bench.raw.path})")


def parse_options(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", required=True)
    parser.add_argument("--programs", required=True, help="folder of the x86_64 programs to measure")
    parser.add_argument("--deps", required=True, help="the x86_64 dependencies (curl.exe in its bin/)")
    parser.add_argument("--wine", required=True)
    parser.add_argument("--win-user", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--big-runs", type=int, default=3)
    parser.add_argument("--only", default=",".join(SECTIONS))
    parser.add_argument("--readme", action="store_true")
    options = parser.parse_args(argv)
    options.only = set(options.only.split(","))
    return options


def main(argv):
    bench = Bench(parse_options(argv))
    os.makedirs(bench.packages, exist_ok=True)
    started = time.monotonic()
    snapshot_programs(bench)
    bench.raw.note_load("start")
    record_machine(bench)
    generate_inputs(bench)
    prepare_run(bench)
    for section, measure in MEASUREMENTS:
        if bench.wanted(section):
            measure(bench)
    bench.raw.note_load("end")
    bench.raw.record({"kind": "duration", "seconds": int(time.monotonic() - started)})
    write_report(bench)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
