#!/usr/bin/python3
"""Turns the benchmark outputs in one folder into one table.

    report.py FOLDER

FOLDER holds hex.json, crypto.json, handlers.json (Google Benchmark JSON,
with repetitions, of which the medians are used), memory.jsonl (one JSON
object per press from zelvora_peak_memory) and startup.json (from
zelvora_startup_watch) and cli-1.json, cli-64.json (hyperfine). Missing parts are left out of the table. Prints a
Markdown table: for each row what was measured (ours), what it is held
against (the floor), their ratio, the target and whether it is met.
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
            if key.endswith("_s") or key == "field_chars_added":
                entry[key] = value
        result[name] = entry
    return result


def fmt_time(seconds):
    if seconds >= 1e-3:
        return f"{seconds * 1e3:.2f} ms"
    return f"{seconds * 1e6:.0f} µs"


class Table:
    def __init__(self):
        self.rows = []

    def add(self, what, ours, floor, ratio, target, met, note=""):
        self.rows.append((what, ours, floor, ratio, target, "yes" if met else "**no**", note))

    def print(self):
        head = ("Benchmark", "Ours", "Floor", "Ratio", "Target", "Met", "Note")
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


CRYPTO_ROWS = {
    "Encrypt": "Set keys + EncryptBytes",
    "Decrypt": "Set keys + DecryptBytes",
    "EncryptSigned": "Set keys + signed EncryptBytes",
    "DecryptVerified": "Set keys + verified DecryptMessage",
}


def crypto_rows(table, runs):
    for op, label in CRYPTO_ROWS.items():
        for size, size_name in SIZES.items():
            o = runs.get(f"BM_{op}_Ours/{size}")
            f = runs.get(f"BM_{op}_Floor/{size}")
            if not o or not f:
                continue
            ratio = o["time"] / f["time"]
            note = ""
            extras = runs.get(f"BM_{op}_Floor{'ZeroedOutput' if op == 'Encrypt' else 'ZeroedAndWiped'}/{size}")
            if extras:
                what = "zeroed output" if op == "Encrypt" else "zeroed and wiped plaintext"
                note = f"{o['time'] / extras['time']:.3f}× the floor with {what}"
            table.add(f"{label} {size_name}", fmt_time(o["time"]),
                      fmt_time(f["time"]) + " (bare OpenSSL)", f"{ratio:.3f}×", "≤ 1.15×",
                      ratio <= 1.15, note)


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
                + (f"; hex text laid out in the message field: "
                   + ("no (the field was only emptied)" if h["field_chars_added"] <= 1 else
                      f"YES ({h['field_chars_added']:.0f} characters entered it)")
                   if "field_chars_added" in h else ""))


def startup_rows(table, path, details):
    if not path.exists():
        return
    data = json.loads(path.read_text())
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


def memory_rows(table, path, details):
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


def cli_rows(table, folder):
    for mib in (1, 64):
        path = folder / f"cli-{mib}.json"
        if not path.exists():
            continue
        runs = {run["command"]: run["median"] for run in json.loads(path.read_text())["results"]}
        for op in ("encrypt", "decrypt"):
            ours, floor = runs.get(f"ours {op}"), runs.get(f"floor {op}")
            if ours is None or floor is None:
                continue
            ratio = ours / floor
            table.add(f"zelvora-cli {op} {mib} MiB (process)", fmt_time(ours),
                      fmt_time(floor) + " (bare OpenSSL process)", f"{ratio:.3f}×", "≤ 1.25×",
                      ratio <= 1.25, "3072-bit key, text in 76-column lines")


def main():
    folder = Path(sys.argv[1])
    table = Table()
    details = []
    hex_rows(table, medians(folder / "hex.json"))
    crypto_rows(table, medians(folder / "crypto.json"))
    handler_rows(table, medians(folder / "handlers.json"), details)
    startup_rows(table, folder / "startup.json", details)
    memory_rows(table, folder / "memory.jsonl", details)
    cli_rows(table, folder)
    table.print()
    if details:
        print()
        for line in details:
            print(f"- {line}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
