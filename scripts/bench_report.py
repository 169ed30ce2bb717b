#!/usr/bin/env python3
"""Turns the raw measurements of scripts/bench into the benchmark table.

    bench_report.py RAW.jsonl [--json OUT.json] [--markdown OUT.md] [--readme README.md]

RAW.jsonl holds one JSON object per line ("kind": time, memory, size, load,
machine, duration). Every figure is the median of the runs that succeeded
(warm-up runs, numbered 0, are left out), set against a baseline measured
in the same run. The table goes to standard output; --json writes every
figure with its runs, --markdown the table as Markdown, and --readme puts
that Markdown table between the "bench:begin" and "bench:end" markers of
the README (appending a Benchmarks section when the markers are missing).
"""
import argparse
import json
import statistics
import sys

SETTLE_WAIT_MS = 500  # the updater's fixed wait before it extracts
LAUNCHER_SIZE_LIMIT = 3_000_000
MIB = 2**20
BEGIN_MARK = "<!-- bench:begin -->"
END_MARK = "<!-- bench:end -->"


def read_records(path):
    with open(path, encoding="utf-8") as raw:
        return [json.loads(line) for line in raw if line.strip()]


def runs_of(records, figure, variant, **match):
    values = []
    for r in records:
        if r.get("kind") != "time" or r.get("figure") != figure or r.get("variant") != variant:
            continue
        if r.get("run", 1) == 0 or not r.get("ok") or r.get("ms") is None:
            continue
        if any(r.get(key) != value for key, value in match.items()):
            continue
        values.append(float(r["ms"]))
    return values


def failed_runs(records, figure, **match):
    return sum(1 for r in records if r.get("kind") == "time" and r.get("figure") == figure and r.get("run", 1) != 0
               and not r.get("ok") and all(r.get(k) == v for k, v in match.items()))


def median(values):
    return statistics.median(values) if values else None


def verdict(ratio, at_most=None, at_least=None):
    if ratio is None:
        return None
    if at_most is not None and ratio > at_most:
        return False
    if at_least is not None and ratio < at_least:
        return False
    return True


def row(figure, subject, baseline, ratio, target, met, runs=None, note="", reference=False):
    """One line of the table; a reference line shows its verdict in brackets
    and does not count as a missed target."""
    return {"figure": figure, "subject": subject, "baseline": baseline, "ratio": ratio,
            "target": target, "met": met, "runs": runs or {}, "note": note, "reference": reference}


def fmt_ms(value):
    return "n/a" if value is None else (f"{value / 1000:.2f} s" if value >= 10000 else f"{value:.1f} ms")


def fmt_ratio(value):
    return "n/a" if value is None else f"{value:.2f}"


def fmt_mib(byte_count):
    return "n/a" if byte_count is None else f"{byte_count / MIB:.2f} MiB"


def launcher_start_rows(records):
    direct = runs_of(records, "launcher_start", "direct")
    relay = runs_of(records, "launcher_start", "relay")
    launcher = runs_of(records, "launcher_start", "launcher")
    with_settings = runs_of(records, "launcher_start", "launcher_settings")
    d, r, l, s = median(direct), median(relay), median(launcher), median(with_settings)
    rows = []
    if not (direct or launcher):
        return rows
    def failures(*variants):
        count = sum(failed_runs(records, "launcher_start", variant=v) for v in variants)
        return f"{count} run(s) without a browser start recorded (left out)" if count else ""
    ratio = l / d if l and d else None
    rows.append(row("1. Launcher start to the browser's first instruction",
                    f"launcher {fmt_ms(l)}", f"tavrin.exe directly {fmt_ms(d)}", ratio, "≤ 1.10",
                    verdict(ratio, at_most=1.10), {"launcher": launcher, "direct": direct},
                    failures("launcher", "direct")))
    ratio = s / d if s and d else None
    rows.append(row("1. … when a settings reply waits to be decrypted",
                    f"launcher {fmt_ms(s)}", f"tavrin.exe directly {fmt_ms(d)}", ratio, "≤ 1.10",
                    verdict(ratio, at_most=1.10), {"launcher_settings": with_settings, "direct": direct},
                    failures("launcher_settings")))
    ratio = l / r if l and r else None
    rows.append(row("1. (reference) launcher against a program that only starts the browser",
                    f"launcher {fmt_ms(l)}", f"relay {fmt_ms(r)}", ratio, "–", None,
                    {"launcher": launcher, "relay": relay}, reference=True))
    return rows


def package_manifest_bytes(records, size):
    for r in records:
        if r.get("kind") == "package" and r.get("size_mib") == size:
            return r.get("content_bytes")
    return size * MIB


def apply_rows(records):
    sizes = sorted({r["size_mib"] for r in records if r.get("figure") == "apply"})
    rows = []
    mirup_medians = {}
    baseline_medians = {}
    for size in sizes:
        mirup = runs_of(records, "apply", "mirup", size_mib=size)
        baseline = runs_of(records, "apply", "baseline", size_mib=size)
        m, b = median(mirup), median(baseline)
        mirup_medians[size], baseline_medians[size] = m, b
        content = package_manifest_bytes(records, size)
        ratio = b / m if m and b else None
        failures = failed_runs(records, "apply", size_mib=size)
        note = f"{failures} run(s) failed the content check" if failures else ""
        throughput = (lambda ms: "n/a" if not ms else f"{content / MIB / (ms / 1000):.0f} MiB/s")
        rows.append(row(f"2. Update apply, {size} MiB package (throughput)",
                        f"Mirup {fmt_ms(m)} ({throughput(m)})", f"bench_unzip {fmt_ms(b)} ({throughput(b)})",
                        ratio, "≥ 0.90", verdict(ratio, at_least=0.90), {"mirup": mirup, "baseline": baseline},
                        note))
        net = m - SETTLE_WAIT_MS if m else None
        ratio = b / net if net and b and net > 0 else None
        rows.append(row(f"2. … {size} MiB without the updater's fixed 500 ms wait",
                        f"Mirup {fmt_ms(net)}", f"bench_unzip {fmt_ms(b)}", ratio, "≥ 0.90",
                        verdict(ratio, at_least=0.90), {}, reference=True))
    if len(sizes) >= 3 and all(mirup_medians.get(s) for s in sizes):
        small, middle, large = sizes[0], sizes[len(sizes) // 2], sizes[-1]
        first = (mirup_medians[middle] - mirup_medians[small]) / (middle - small)
        second = (mirup_medians[large] - mirup_medians[middle]) / (large - middle)
        ratio = second / first if first > 0 else None
        base_first = base_second = None
        if all(baseline_medians.get(s) for s in sizes):
            base_first = (baseline_medians[middle] - baseline_medians[small]) / (middle - small)
            base_second = (baseline_medians[large] - baseline_medians[middle]) / (large - middle)
        rows.append(row(f"2. Apply time linear in size: ms per MiB {middle}→{large} over {small}→{middle}",
                        f"Mirup {second:.1f} / {first:.1f} ms per MiB",
                        "bench_unzip " + (f"{base_second:.1f} / {base_first:.1f} ms per MiB" if base_first else "n/a"),
                        ratio, "0.80 – 1.25", verdict(ratio, at_least=0.80, at_most=1.25)))
    return rows


def download_rows(records):
    curl_wine = runs_of(records, "download", "curl_wine")
    curl_native = runs_of(records, "download", "curl")
    fetch = runs_of(records, "download", "libcurl_wine")
    launcher = runs_of(records, "download", "launcher")
    if not (curl_wine or curl_native or launcher):
        return []
    w, n, f, l = median(curl_wine), median(curl_native), median(fetch), median(launcher)
    size = next((r["package_bytes"] for r in records if r.get("figure") == "download" and r.get("package_bytes")), None)
    throughput = (lambda ms: "n/a" if not ms or not size else f"{size / MIB / (ms / 1000):.0f} MiB/s")
    measured = f"launcher {fmt_ms(l)} ({throughput(l)})"
    failures = failed_runs(records, "download", variant="launcher")
    baseline_failures = failed_runs(records, "download", variant="curl_wine")
    notes = [f"{failures} launcher run(s) failed" if failures else "",
             f"{baseline_failures} curl.exe run(s) failed" if baseline_failures else "",
             "" if curl_wine or baseline_failures else "curl.exe was not measured (scripts/setup builds it)"]
    package = next((r["size_mib"] for r in records if r.get("figure") == "download" and r.get("size_mib")), "?")
    ratio = w / l if w and l else None
    rows = [row(f"3. Download of the {package} MiB package ({fmt_mib(size)} archive) over loopback (throughput)",
                measured, f"curl.exe under Wine {fmt_ms(w)} ({throughput(w)})", ratio, "≥ 0.80",
                verdict(ratio, at_least=0.80), {"launcher": launcher, "curl_wine": curl_wine},
                "; ".join(text for text in notes if text))]
    ratio = n / l if n and l else None
    rows.append(row("3. (reference) launcher against the native Linux curl",
                    measured, f"curl {fmt_ms(n)} ({throughput(n)})", ratio, "≥ 0.80",
                    verdict(ratio, at_least=0.80), {"launcher": launcher, "curl": curl_native}, reference=True))
    ratio = f / l if f and l else None
    rows.append(row("3. (reference) launcher against plain libcurl under Wine",
                    measured, f"bench_fetch {fmt_ms(f)} ({throughput(f)})", ratio,
                    "≥ 0.80", verdict(ratio, at_least=0.80), {"launcher": launcher, "libcurl_wine": fetch},
                    reference=True))
    shares = [r["bytes_sent"] / r["package_bytes"] for r in records
              if r.get("figure") == "download" and r.get("variant") == "launcher" and r.get("ok")
              and r.get("run", 1) != 0 and r.get("package_bytes")]
    share = median(shares)
    rows.append(row("3. Package bytes the service sent per completed update ÷ package size",
                    "launcher " + ("n/a" if share is None else f"{share:.4f} (max {max(shares):.4f})"),
                    "the package itself 1.0000", share, "≤ 1.01", verdict(share, at_most=1.01),
                    {"bytes_per_package_byte": shares}))
    return rows


def handoff_rows(records):
    checked = runs_of(records, "handoff", "checked")
    unchecked = runs_of(records, "handoff", "unchecked")
    if not (checked or unchecked):
        return []
    c, u = median(checked), median(unchecked)
    ratio = c / u if c and u else None
    failures = failed_runs(records, "handoff")
    parts = lambda variant, key: median([r[key] for r in records if r.get("figure") == "handoff"
                                         and r.get("variant") == variant and r.get("ok") and r.get("run", 1) != 0])
    measured = (f"with the checks {fmt_ms(c)} (download {fmt_ms(parts('checked', 'download_ms'))}, "
                f"hand-off {fmt_ms(parts('checked', 'handoff_ms'))})")
    baseline = (f"without {fmt_ms(u)} (download {fmt_ms(parts('unchecked', 'download_ms'))}, "
                f"hand-off {fmt_ms(parts('unchecked', 'handoff_ms'))})")
    package = next((r["size_mib"] for r in records if r.get("figure") == "download" and r.get("size_mib")), 100)
    return [row(f"3. Digest checks: the {package} MiB package from its download to the hand-off", measured, baseline,
                ratio, "≤ 1.05", verdict(ratio, at_most=1.05), {"checked": checked, "unchecked": unchecked},
                f"{failures} run(s) failed" if failures else "")]


def removal_rows(records):
    delete = runs_of(records, "remove", "DeleteDirectory")
    rd = runs_of(records, "remove", "rd")
    if not (delete or rd):
        return []
    d, r = median(delete), median(rd)
    ratio = d / r if d and r else None
    failures = failed_runs(records, "remove")
    return [row("4. Removal of a tree of 20,000 files", f"DeleteDirectory {fmt_ms(d)}",
                f"cmd /c rd /s /q {fmt_ms(r)}", ratio, "≤ 1.20", verdict(ratio, at_most=1.20),
                {"DeleteDirectory": delete, "rd": rd},
                f"{failures} run(s) left files behind" if failures else "")]


def size_rows(records):
    rows = []
    for r in records:
        if r.get("kind") != "size":
            continue
        program = r["program"]
        if r.get("bytes") is None:
            rows.append(row(f"5. Size of {program} (i686)", "not built", "–", None, "–", None))
            continue
        subject = f"{r['bytes']:,} bytes as built, {r['stripped_bytes']:,} stripped"
        if program == "TavrinLauncher.exe":
            ratio = r["stripped_bytes"] / LAUNCHER_SIZE_LIMIT
            rows.append(row(f"5. Size of {program} (i686)", subject, "3 MB (3,000,000 bytes)", ratio, "< 1.00",
                            ratio < 1.0, {}, "ratio of the stripped file to the limit"))
        else:
            rows.append(row(f"5. Size of {program} (i686)", subject, "–", None, "report", None))
    return rows


def memory_rows(records):
    by_program = {}
    for r in records:
        if r.get("kind") == "memory" and r.get("run", 1) != 0:
            by_program.setdefault((r["program"], r["what"]), []).append(r["kib"])
    floor = next((median(v) for (p, _), v in by_program.items() if p == "debug_echo.exe"), None)
    rows = []
    for (program, what), values in by_program.items():
        if program == "debug_echo.exe":
            continue
        peak = median(values)
        ratio = peak / floor if floor else None
        failures = sum(1 for r in records if r.get("kind") == "memory_failed" and r.get("what") == what)
        rows.append(row(f"5. Peak working set of {program}: {what}", f"{peak / 1024:.1f} MiB",
                        "empty program " + ("n/a" if floor is None else f"{floor / 1024:.1f} MiB"), ratio, "report",
                        None, {"kib": values}, f"{failures} run(s) did not do their work" if failures else ""))
    return rows


def table_lines(rows, markdown):
    header = ["Figure", "Measured", "Baseline (same run)", "Ratio", "Target", "Met"]
    def met_text(r):
        text = {True: "yes", False: "NO", None: "–"}[r["met"]]
        return f"({text})" if r.get("reference") and r["met"] is not None else text
    cells = [[r["figure"], r["subject"], r["baseline"], fmt_ratio(r["ratio"]), r["target"], met_text(r)]
             for r in rows]
    if markdown:
        lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
        return lines + ["| " + " | ".join(c) + " |" for c in cells]
    widths = [max(len(x) for x in column) for column in zip(header, *cells)]
    line = lambda c: "  ".join(x.ljust(w) for x, w in zip(c, widths)).rstrip()
    return [line(header), line(["-" * w for w in widths])] + [line(c) for c in cells]


def context_lines(records):
    machine = next((r for r in records if r.get("kind") == "machine"), {})
    loads = [r for r in records if r.get("kind") == "load"]
    duration = next((r["seconds"] for r in records if r.get("kind") == "duration"), None)
    load_text = ", ".join(f"{r['when']} {r['loadavg'][0]:.2f}" for r in loads)
    return [f"Machine: {machine.get('cores', '?')} cores, {machine.get('wine', 'wine ?')}, {machine.get('date', '')}; "
            f"runs per figure {machine.get('runs', '?')} (launcher start: {machine.get('start_runs', '?')}, "
            f"400 MiB package: {machine.get('big_runs', '?')}); "
            f"bench took {duration if duration is not None else '?'} s.",
            f"Load average (1 min) while measuring: {load_text}."]


def write_readme(path, markdown_block):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    block = f"{BEGIN_MARK}\n{markdown_block}\n{END_MARK}"
    if BEGIN_MARK in text and END_MARK in text:
        before = text[:text.index(BEGIN_MARK)]
        after = text[text.index(END_MARK) + len(END_MARK):]
        text = before + block + after
    else:
        text = text.rstrip("\n") + "\n\n## Benchmarks\n\n" + block + "\n"
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("raw")
    parser.add_argument("--json")
    parser.add_argument("--markdown")
    parser.add_argument("--readme")
    options = parser.parse_args(argv)
    records = read_records(options.raw)
    rows = (launcher_start_rows(records) + apply_rows(records) + download_rows(records) + handoff_rows(records)
            + removal_rows(records)
            + size_rows(records) + memory_rows(records))
    context = context_lines(records)
    print("\n".join(table_lines(rows, markdown=False)))
    for r in rows:
        if r["note"]:
            print(f"  note: {r['figure']}: {r['note']}")
    print("\n".join(context))
    missed = [r["figure"] for r in rows if r["met"] is False and not r.get("reference")]
    print("Missed targets: " + ("; ".join(missed) if missed else "none"))
    notes = [f"{r['figure']}: {r['note']}." for r in rows if r["note"]]
    markdown = "\n".join(table_lines(rows, markdown=True) + [""] + [f"- Note: {n}" for n in notes]
                         + [f"- {line}" for line in context])
    if options.json:
        with open(options.json, "w", encoding="utf-8") as f:
            json.dump({"figures": rows, "context": context, "missed": missed,
                       "loads": [r for r in records if r.get("kind") == "load"],
                       "machine": next((r for r in records if r.get("kind") == "machine"), {})},
                      f, ensure_ascii=False, indent=1)
    if options.markdown:
        with open(options.markdown, "w", encoding="utf-8") as f:
            f.write(markdown + "\n")
    if options.readme:
        write_readme(options.readme, markdown)
    return 0


if __name__ == "__main__":
    sys.exit(main())
