#!/usr/bin/python3
"""Turns the benchmark outputs in one folder into one table.

    report.py FOLDER

FOLDER holds hex.json, crypto.json, handlers.json (Google Benchmark JSON,
with repetitions, of which the medians are used), memory.jsonl (one JSON
object per press from zelvora_peak_memory) and startup.json (from
zelvora_startup_watch), and from bench/cli.sh cli-1KiB.json, cli-1MiB.json,
cli-64MiB.json (hyperfine), cli-memory.jsonl (peak resident memory of one
run of each command) and cli-skipped.txt. Missing parts are left out.
Prints a Markdown table: for each row what was measured (ours), what it is
held against (the floor, or for an Ed25519 row the RSA-3072 figure), their
ratio, the target and whether it is met; then the command line against the
peer tools, in the same style.
"""

import json
import statistics
import sys
from pathlib import Path

MIB = 1 << 20
SIZES = {1 << 10: "1 KiB", 1 << 20: "1 MiB", 16 << 20: "16 MiB"}


def medians(path):
    """Median real time (seconds) and counters per benchmark name."""
    if not path.exists():
        return {}
    data = json.loads(path.read_text())
    result = {}
    for run in data["benchmarks"]:
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
            continue
        name = run.get("run_name", run["name"])
        if run.get("run_type") == "iteration" and name in result:
            continue  # without repetitions there is one iteration run
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[run["time_unit"]]
        entry = {"time": run["real_time"] * scale}
        for key, value in run.items():
            if key.endswith("_s") or key in ("field_chars_added", "hex_digits"):
                entry[key] = value
        result[name] = entry
    return result


def fmt_time(seconds):
    if seconds >= 1e-3:
        return f"{seconds * 1e3:.2f} ms"
    return f"{seconds * 1e6:.0f} µs"


def fmt_mib(kib):
    mib = kib / 1024
    return f"{mib:.1f} MiB" if mib < 10 else f"{mib:.0f} MiB"


class Table:
    def __init__(self, head=("Benchmark", "Ours", "Floor", "Ratio", "Target", "Met", "Note")):
        self.head = head
        self.rows = []

    def add(self, what, ours, floor, ratio, target, met, note=""):
        self.rows.append((what, ours, floor, ratio, target, "yes" if met else "**no**", note))

    def add_row(self, *cells):
        self.rows.append(cells)

    def print(self):
        head = self.head
        print("| " + " | ".join(head) + " |")
        print("|" + "|".join("---" for _ in head) + "|")
        for row in self.rows:
            print("| " + " | ".join(row) + " |")


def hex_rows(table, runs):
    for ours, floor, label in (("BM_BytesToHex_Ours", "BM_BytesToHex_Floor", "BytesToHex"),
                               ("BM_HexToBytes_Ours", "BM_HexToBytes_Floor", "HexToBytes")):
        for size, size_name in SIZES.items():
            o = runs.get(f"{ours}/{size}")
            f = runs.get(f"{floor}/{size}")
            if not o or not f:
                continue
            ratio = o["time"] / f["time"]
            rate = size / o["time"] / 1e9
            note = f"{rate:.2f} GB/s"
            read = runs.get(f"BM_HexToBytes_ReadFloor/{size}")
            if label == "HexToBytes" and read:
                note += f"; {o['time'] / read['time']:.2f}× reading the input and writing the output"
            table.add(f"{label} {size_name}", fmt_time(o["time"]),
                      fmt_time(f["time"]) + " (memcpy, output size)", f"{ratio:.2f}×",
                      "≤ 4× and ≥ 1 GB/s", ratio <= 4 and rate >= 1, note)


def ed25519_rows(table, runs):
    """Ed25519 beside RSA-3072: the RSA figure stands in the floor column."""
    ed, rsa = runs.get("BM_KeyPair/0"), runs.get("BM_KeyPair/1/iterations:3")
    if ed and rsa:
        table.add("Ed25519 key pair (generator's work)", fmt_time(ed["time"]),
                  fmt_time(rsa["time"]) + " (RSA-3072)", f"{ed['time'] / rsa['time']:.5f}×",
                  "< 10 ms", ed["time"] < 10e-3)
    ed, rsa = runs.get("BM_DecryptEd25519_Ours/1024"), runs.get("BM_Decrypt_Ours/1024")
    if ed and rsa:
        table.add("Set keys + DecryptBytes 1 KiB, Ed25519", fmt_time(ed["time"]),
                  fmt_time(rsa["time"]) + " (RSA-3072)", f"{ed['time'] / rsa['time']:.3f}×",
                  "< 0.3 ms", ed["time"] < 0.3e-3)
    ed, rsa = runs.get("BM_SignedTwoLetters/0"), runs.get("BM_SignedTwoLetters/1")
    if ed and rsa and "hex_digits" in ed and "hex_digits" in rsa:
        ratio = ed["hex_digits"] / rsa["hex_digits"]
        table.add("Signed two-letter message with the writer's copy, Ed25519",
                  f"{ed['hex_digits']:.0f} hex digits",
                  f"{rsa['hex_digits']:.0f} hex digits (RSA-3072)", f"{ratio:.3f}×", "≤ 0.25×",
                  ratio <= 0.25)


def handler_rows(table, runs, details):
    for op in ("Encrypt", "Decrypt"):
        for size, limit in ((1 << 10, 0.25), (1 << 20, 0.50)):
            h = runs.get(f"BM_{op}Handler/{size}")
            c = runs.get(f"BM_{op}Component/{size}")
            if not h or not c:
                continue
            total = h["time"]
            repaint = h.get("repaint_s", 0.0)
            rest = total - c["time"] - repaint
            share = rest / total
            field = h.get("field_s", 0.0)
            clipboard = h.get("clipboard_s", 0.0)
            table.add(f"{op} handler {SIZES[size]}: rest", fmt_time(rest),
                      fmt_time(total) + " (handler)", f"{share:.0%}", f"< {limit:.0%}",
                      share < limit,
                      f"rest without the message field: {(rest - field) / total:.0%}")
            keys = runs.get("BM_KeyFiles", {}).get("time", 0.0)
            details.append(
                f"{op} handler {SIZES[size]}: handler {fmt_time(total)} = component "
                f"{fmt_time(c['time'])} + repaint {fmt_time(repaint)} + rest {fmt_time(rest)}; "
                f"rest = message field {fmt_time(field)} + clipboard {fmt_time(clipboard)} + "
                f"key files {fmt_time(keys)} (alone) + hex, text conversion, staging "
                f"{fmt_time(max(rest - field - clipboard - keys, 0.0))}"
                + ("; hex text laid out in the message field: "
                   + ("no (the field was only emptied)" if h["field_chars_added"] <= 1 else
                      f"YES ({h['field_chars_added']:.0f} characters entered it)")
                   if "field_chars_added" in h else ""))


def startup_rows(table, path, details):
    if not path.exists():
        return
    data = json.loads(path.read_text())
    if not data:
        return
    drawn = {name: statistics.median(runs["drawn_ms"]) for name, runs in data.items()}
    mapped = {name: statistics.median(runs["mapped_ms"]) for name, runs in data.items()}
    if "zelvora" in drawn and "floor" in drawn:
        ratio = drawn["zelvora"] / drawn["floor"]
        table.add("Start-up to first paint", f"{drawn['zelvora']:.1f} ms",
                  f"{drawn['floor']:.1f} ms (same controls, no logic)", f"{ratio:.3f}×",
                  "≤ 1.15×", ratio <= 1.15,
                  f"empty Qt window {drawn.get('empty', float('nan')):.1f} ms")
    rounds = len(next(iter(data.values()))["drawn_ms"])
    details.append("Start-up medians over %d rounds (ms to mapping / to first paint): %s" % (
        rounds, ", ".join(f"{name} {mapped[name]:.1f} / {drawn[name]:.1f}" for name in drawn)))


def memory_rows(table, path):
    if not path.exists():
        return
    for line in path.read_text().splitlines():
        if not line.strip():
            continue
        run = json.loads(line)
        times = run["times_message"]
        table.add(f"Peak memory, {run['operation']} {run['message_bytes'] // MIB} MiB",
                  f"{run['press_peak_mib']:.0f} MiB",
                  f"{run['message_bytes'] / MIB:.0f} MiB (message)", f"{times:.1f}×", "< 12×",
                  times < 12, f"process peak {run['peak_mib']:.0f} MiB")


def hyperfine_medians(folder, size):
    """Median time (seconds) per command name over all its runs: bench/cli.sh
    lists each command once per repetition."""
    path = folder / f"cli-{size}.json"
    if not path.exists():
        return {}
    times = {}
    for run in json.loads(path.read_text())["results"]:
        times.setdefault(run["command"], []).extend(run["times"])
    return {command: statistics.median(runs) for command, runs in times.items()}


# The peer tools each kind of key is held against, as the table names them.
PEERS = {"RSA-3072": (("age", "age -a"), ("gpg", "gpg -a")),
         "Ed25519": (("age", "age -a"),)}
KIND_NOTES = {"RSA-3072": "", "Ed25519": " (age: X25519 key)"}
PEER_SIZES = ("1KiB", "1MiB", "64MiB")
MEMORY_LIMIT_MIB = 32
# Every peer has a column; where a kind of key has no such peer it stays empty.
COLUMN_TOOLS = ("age", "gpg")


def peer_rows(folder):
    """zelvora-cli against the fastest peer with keys of the same kind, and
    its peak memory at the largest size; None when nothing was measured."""
    memory = {}
    path = folder / "cli-memory.jsonl"
    if path.exists():
        for line in path.read_text().splitlines():
            if line.strip():
                run = json.loads(line)
                memory[(run["size"], run["command"])] = run["peak_kib"]
    times = {size: hyperfine_medians(folder, size) for size in PEER_SIZES}
    names = [dict(PEERS["RSA-3072"])[tool] for tool in COLUMN_TOOLS]
    table = Table(("Against the peer tools", "zelvora-cli", *names, "Ours / fastest peer",
                   "Target", "Met", "Peak memory: ours / " + " / ".join(names)))

    def cell(values, key, fmt):
        return fmt(values[key]) if key in values else "–"

    for kind, peers in PEERS.items():
        tools = [tool for tool, _ in peers]
        for op in ("encrypt", "decrypt"):
            for size in PEER_SIZES:
                runs = times[size]
                ours = runs.get(f"ours {op} {kind}")
                peer_times = [runs[f"{tool} {op} {kind}"] for tool in tools
                              if f"{tool} {op} {kind}" in runs]
                if ours is None or not peer_times:
                    continue
                ratio = ours / min(peer_times)
                columns = [cell(runs, f"{tool} {op} {kind}", fmt_time) for tool in COLUMN_TOOLS]
                peaks = [cell(memory, (size, f"{tool} {op} {kind}"), fmt_mib)
                         for tool in ("ours", *COLUMN_TOOLS)]
                what = f"{kind} {op} {size[:-3]} {size[-3:]}" + KIND_NOTES[kind]
                table.add_row(what, fmt_time(ours), *columns,
                              f"{ratio:.2f}×", "≤ 1.00×", "yes" if ratio <= 1.0 else "**no**",
                              " / ".join(peaks))
        for op in ("encrypt", "decrypt"):
            ours = memory.get(("64MiB", f"ours {op} {kind}"))
            if ours is None:
                continue
            columns = [cell(memory, ("64MiB", f"{tool} {op} {kind}"), fmt_mib)
                       for tool in COLUMN_TOOLS]
            least = min((memory[("64MiB", f"{tool} {op} {kind}")] for tool in tools
                         if ("64MiB", f"{tool} {op} {kind}") in memory), default=None)
            table.add_row(f"{kind} peak memory, {op} 64 MiB", fmt_mib(ours), *columns,
                          f"{ours / least:.1f}×" if least else "–",
                          f"≤ {MEMORY_LIMIT_MIB} MiB",
                          "yes" if ours <= MEMORY_LIMIT_MIB * 1024 else "**no**", "")
    return table if table.rows else None


def main():
    folder = Path(sys.argv[1])
    table = Table()
    details = []
    hex_rows(table, medians(folder / "hex.json"))
    ed25519_rows(table, medians(folder / "crypto.json"))
    handler_rows(table, medians(folder / "handlers.json"), details)
    startup_rows(table, folder / "startup.json", details)
    memory_rows(table, folder / "memory.jsonl")
    if table.rows:
        table.print()
    if details:
        print()
        for line in details:
            print(f"- {line}")
    peers = peer_rows(folder)
    if peers:
        print()
        peers.print()
    skipped = folder / "cli-skipped.txt"
    if skipped.exists():
        print()
        print(f"- {skipped.read_text().strip()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
