#!/usr/bin/env python3
"""Soak: hundreds of sessions against the virtual handset through cantavo-cli, each with a random fault or none.

A session starts cantavo-handset with one fault (its flash file is kept from session to session), then:
  read A     connect and read the user area into a backup file
  insert I   a random demo melody into a random slot of a copy of A
  write I    connect and download I
  read B     connect again and read it back
A step that fails is run once more, as a user would (each fault happens once per handset run). Checked:
  - no step outlives its bound (a hang);
  - a failed step exits non-zero with the session's report on stderr, and changes none of our files: the backup
    a failed read was to write keeps what it held, the image a write sends stays as it was;
  - A is what the last session left in the handset (its B); I differs from A in the slot only;
  - after a successful write the handset's flash holds the melody and its title in that slot, and B equals I;
  - memory stays flat: the peak RSS of every cantavo-cli run and the RSS of each handset before it is stopped,
    first sessions against last.
Prints the counts per fault and exits 1 when any check failed.

    bench/transfer/soak.py [--bin build/bin] [--sessions 500] [--minutes M] [--seed N] [--demo data/demo]
                           [--byte-paced]

--minutes starts no session after M minutes, for a shorter run with the same checks. --byte-paced runs the
handset at the line speed, writing each byte on its own (a session then takes about a minute).
"""
import argparse
import hashlib
import os
import random
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time

AREA_BYTES = 0x20000
TITLE_BYTES = 32
STEP_SECONDS = 90  # the longest step: detection 10 s, the erase 10 s, a read and a download on a pty
# Bytes the PC sends in a session (three connects with their reads, one download), where byte faults land.
SESSION_BYTES = 3 * 22800 + 131600
FAULTS = {
    "none": lambda r: [],
    "drop-after": lambda r: ["--drop-after", str(r.randrange(SESSION_BYTES))],
    "nak-every": lambda r: ["--nak-every", str(r.randrange(1, 200))],
    "stall-after": lambda r: ["--stall-after", str(r.randrange(SESSION_BYTES))],
    "bad-checksum": lambda r: ["--bad-checksum", str(r.randrange(1, 129))],
    "no-erase-answer": lambda r: ["--no-erase-answer"],
    "over-credit": lambda r: ["--over-credit", str(r.randrange(1, 64))],
    "hang-up-after": lambda r: ["--hang-up-after", str(r.randrange(SESSION_BYTES))],
}
# The last line a failed step leaves on stderr: the session's own words for why.
FAILURE_REPORTS = [
    "*****************************************",  # after "Program Terminated"
    "Download failed: the handset's melody memory is now incomplete.",
    "cantavo-cli: no handset answered on",
    "Port Initialization Failed.",
    "cantavo-cli: ",
]


def slot_range(slot):
    index = slot - 1
    start = index * 0x2000 if index < 8 else 0x10000 + (index - 8) * 0x4000
    return start, start + (0x2000 if index < 8 else 0x4000)


def digest(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class Soak:
    def __init__(self, args, folder):
        self.args = args
        self.folder = folder
        self.cli = os.path.join(args.bin, "cantavo-cli")
        self.handset_program = os.path.join(args.bin, "cantavo-handset")
        self.flash = os.path.join(folder, "flash.bin")
        self.port = os.path.join(folder, "port")
        self.cli_rss = []  # (session, kB) per cantavo-cli run
        self.handset_rss = []  # (session, kB) per handset
        self.errors = []
        self.reports = {}
        self.session = 0

    def error(self, fault, text):
        self.errors.append(f"session {self.session} ({fault}): {text}")
        print("  error: " + self.errors[-1], file=sys.stderr, flush=True)

    # Runs cantavo-cli; returns (exit status, stderr), or None when it outlived its bound.
    def run_cli(self, *arguments):
        process = subprocess.Popen([self.cli, *arguments], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                   env=self.env)
        deadline = time.monotonic() + STEP_SECONDS
        while True:
            pid, status, usage = os.wait4(process.pid, os.WNOHANG)
            if pid:
                break
            if time.monotonic() > deadline:
                process.kill()
                os.wait4(process.pid, 0)
                return None
            time.sleep(0.02)
        self.cli_rss.append((self.session, usage.ru_maxrss))
        return os.waitstatus_to_exitcode(status), process.stderr.read().decode(errors="replace")

    # A step as a user runs it: once more when it failed. Returns True when it succeeded in the end; a failure is
    # checked to be reported and to leave `keep` (a file and its digest before the step) untouched.
    def step(self, fault, name, arguments, keep, outcome):
        reports = []
        for attempt in (1, 2):
            result = self.run_cli(*arguments)
            if result is None:
                self.error(fault, f"{name} did not end within {STEP_SECONDS} s")
                return False
            status, stderr = result
            if status == 0:
                return True
            lines = [line for line in stderr.splitlines() if line.strip()]
            last = lines[-1] if lines else ""
            if not any(last.startswith(report) for report in FAILURE_REPORTS):
                self.error(fault, f"{name} failed (status {status}) without its report: {last!r}")
            self.reports[last[:60]] = self.reports.get(last[:60], 0) + 1
            reports.append(last)
            if keep and digest(keep[0]) != keep[1]:
                self.error(fault, f"a failed {name} changed {os.path.basename(keep[0])}")
            outcome["failed steps"] = outcome.get("failed steps", 0) + 1
        self.error(fault, f"{name} failed twice: {reports}")
        return False

    def start_handset(self, options):
        pacing = ["--realtime", "--byte-paced"] if self.args.byte_paced else []
        handset = subprocess.Popen([self.handset_program, "--flash", self.flash, "--link", self.port, *pacing,
                                    *options],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        handset.stdout.readline()  # its device: the link is there
        return handset

    def stop_handset(self, handset):
        try:
            with open(f"/proc/{handset.pid}/status") as status:
                rss = int(re.search(r"VmRSS:\s+(\d+)", status.read()).group(1))
            self.handset_rss.append((self.session, rss))
        except (OSError, AttributeError):
            pass
        handset.send_signal(signal.SIGTERM)
        try:
            handset.wait(timeout=10)
        except subprocess.TimeoutExpired:
            handset.kill()
            handset.wait()
            return False
        return True

    def run_session(self, rng, demos, expected):
        fault = rng.choice(list(FAULTS))
        outcome = {}
        handset = self.start_handset(FAULTS[fault](rng))
        a, i, b = (os.path.join(self.folder, name) for name in ("a.smf", "i.smf", "b.smf"))
        try:
            # read A into a file that holds something else before: a failed read must leave it.
            with open(a, "wb") as f:
                f.write(b"not read yet")
            if not self.step(fault, "read A", ["--port", self.port, "read", a], (a, digest(a)), outcome):
                return fault, outcome, None
            image = read_bytes(a)
            if len(image) != AREA_BYTES:
                self.error(fault, f"read A wrote {len(image)} bytes")
                return fault, outcome, None
            if expected is not None and image != expected:
                self.error(fault, "read A is not what the last session left in the handset")

            name = rng.choice(sorted(demos))
            slot = rng.randrange(1, 13)
            melody = demos[name]
            start, end = slot_range(slot)
            with open(i, "wb") as f:
                f.write(image)
            fits = len(melody) <= end - start - TITLE_BYTES
            result = self.run_cli("insert", i, str(slot), os.path.join(self.args.demo, name))
            inserted = read_bytes(i)
            if result is None or (result[0] == 0) != fits:
                self.error(fault, f"insert of {name} ({len(melody)} bytes) into slot {slot}: {result}")
            elif fits and (inserted[:start] != image[:start] or inserted[end:] != image[end:]):
                self.error(fault, f"insert into slot {slot} changed other slots")
            elif not fits and inserted != image:
                self.error(fault, "a refused insert changed the image")
            outcome["inserted" if fits else "refused (too big)"] = 1

            kept = digest(i)
            written = self.step(fault, "write I", ["--port", self.port, "write", i], (i, kept), outcome)
            if digest(i) != kept:
                self.error(fault, "write I changed the image it sent")
            if not written:
                return fault, outcome, None
            flash = read_bytes(self.flash)
            title = os.path.splitext(name)[0].encode()
            if fits and (flash[start + TITLE_BYTES:start + TITLE_BYTES + len(melody)] != melody or
                         flash[start:start + len(title)] != title):
                self.error(fault, f"the handset's flash does not hold {name} in slot {slot}")

            if os.path.exists(b):
                os.remove(b)
            if not self.step(fault, "read B", ["--port", self.port, "read", b], (b, None), outcome):
                return fault, outcome, None
            if read_bytes(b) != inserted:
                self.error(fault, "read B differs from the image written")
                return fault, outcome, None
            return fault, outcome, inserted
        finally:
            if not self.stop_handset(handset):
                self.error(fault, "the handset did not stop")

    def run(self):
        rng = random.Random(self.args.seed)
        demos = {name: read_bytes(os.path.join(self.args.demo, name))
                 for name in os.listdir(self.args.demo) if name.endswith(".mmf")}
        home = os.path.join(self.folder, "home")
        os.makedirs(home)
        # A home of its own: no profile or loader of the user's is taken, no cache folder of theirs is used.
        self.env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        XDG_DATA_HOME=os.path.join(home, ".local/share"), XDG_CACHE_HOME=os.path.join(home, ".cache"))
        counts = {}
        expected = None
        started = time.monotonic()
        for self.session in range(1, self.args.sessions + 1):
            if self.args.minutes and time.monotonic() - started > self.args.minutes * 60:
                break
            errors_before = len(self.errors)
            fault, outcome, expected = self.run_session(rng, demos, expected)
            row = counts.setdefault(fault, {"sessions": 0, "clean": 0, "recovered": 0, "refused inserts": 0,
                                            "failed steps": 0, "errors": 0})
            row["sessions"] += 1
            row["failed steps"] += outcome.get("failed steps", 0)
            row["refused inserts"] += outcome.get("refused (too big)", 0)
            if len(self.errors) > errors_before:
                row["errors"] += 1
            elif outcome.get("failed steps"):
                row["recovered"] += 1
            else:
                row["clean"] += 1
            print(f"[{self.session}/{self.args.sessions}] {fault}: {outcome} "
                  f"({len(self.errors)} errors, {time.monotonic() - started:.0f} s)", file=sys.stderr)
        return counts, time.monotonic() - started

    def memory(self, samples):
        values = [kb for _, kb in samples]
        if len(values) < 20:
            return None
        tenth = max(len(values) // 10, 1)
        return statistics.median(values[:tenth]), statistics.median(values[-tenth:]), max(values)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../..")
    parser.add_argument("--bin", default=os.path.join(root, "build/bin"))
    parser.add_argument("--demo", default=os.path.join(root, "data/demo"))
    parser.add_argument("--sessions", type=int, default=500)
    parser.add_argument("--minutes", type=float, help="start no session after this many minutes")
    parser.add_argument("--seed", type=int, default=14)
    parser.add_argument("--byte-paced", action="store_true", help="the handset writes each byte on its own")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="cantavo-soak-") as folder:
        soak = Soak(args, folder)
        counts, seconds = soak.run()

    columns = ["sessions", "clean", "recovered", "refused inserts", "failed steps", "errors"]
    print(f"{'fault':16}" + "".join(f"{c:>16}" for c in columns))
    for fault in FAULTS:
        if fault in counts:
            print(f"{fault:16}" + "".join(f"{counts[fault][c]:>16}" for c in columns))
    total = {c: sum(row[c] for row in counts.values()) for c in columns}
    print(f"{'all':16}" + "".join(f"{total[c]:>16}" for c in columns))
    print(f"{seconds / 60:.1f} minutes")
    print("failure reports (last stderr line, count):")
    for line, count in sorted(soak.reports.items(), key=lambda item: -item[1]):
        print(f"  {count:5}  {line}")
    flat = True
    for name, samples in (("cantavo-cli peak RSS", soak.cli_rss), ("cantavo-handset RSS", soak.handset_rss)):
        memory = soak.memory(samples)
        if memory:
            first, last, peak = memory
            flat &= last <= first * 1.05 + 256
            print(f"{name}: first tenth median {first:.0f} kB, last tenth median {last:.0f} kB, peak {peak} kB")
    if not flat:
        soak.errors.append("memory grew over the run")
    for text in soak.errors:
        print(f"ERROR {text}")
    print("soak: " + ("passed" if not soak.errors else f"{len(soak.errors)} errors"))
    return 1 if soak.errors else 0


if __name__ == "__main__":
    sys.exit(main())
