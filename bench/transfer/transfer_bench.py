#!/usr/bin/env python3
"""Times the user-area read and the download against `cantavo-handset --realtime` at 115200 baud.

Each exchange is fully serialised by the protocol: in the read the PC asks for the next 8 bytes only after the
last 8 arrived, and in the download every write waits for its credit byte (the erase is set to take no time).
So the line-limited minimum of an exchange is (bytes out + bytes in) * 10 bits / 115200 baud; the bytes are
counted by cantavo-cli's serial port (--stats). Reports each phase's time as a ratio to that minimum and the
PC side's CPU time (user + system, the whole cantavo-cli process) as a share of the wall time.
Targets: ratio within 1.10, CPU under 5 %.

With --byte-paced the handset writes each byte on its own when the line would deliver it, as a UART without a
receive FIFO hands bytes to the PC: the PC's waits must still take the read's 8-byte groups whole. Target for
the read then: CPU under 3 %, the ratio as without. --cli runs another build's cantavo-cli against this
build's handset (the figures before a change).

    bench/transfer/transfer_bench.py [--bin build/bin] [--cli PATH] [--runs N] [--byte-paced] [--check]
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

BAUD = 115200
BITS_PER_BYTE = 10
RATIO_TARGET = 1.10
CPU_TARGET = 0.05
BYTE_PACED_READ_CPU_TARGET = 0.03
STATS = re.compile(r"stats: (\w+) wall=([\d.]+) cpu=([\d.]+) out=(\d+) in=(\d+)")


def run_cli(cli, port, command, backup, phase):
    result = subprocess.run([cli, "--port", port, "--stats", command, backup], capture_output=True, text=True,
                            timeout=120)
    if result.returncode != 0:
        sys.exit(f"cantavo-cli {command} failed:\n{result.stderr}")
    for line in result.stderr.splitlines():
        match = STATS.match(line)
        if match and match.group(1) == phase:
            return match.group(1), [float(match.group(2)), float(match.group(3)), int(match.group(4)),
                                    int(match.group(5))]
    sys.exit(f"no statistics from cantavo-cli {command}:\n{result.stderr}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "../../build/bin"))
    parser.add_argument("--cli", help="the cantavo-cli to measure (default: the one in --bin)")
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--byte-paced", action="store_true", help="the handset writes each byte on its own")
    parser.add_argument("--check", action="store_true", help="exit 1 when a target is missed")
    args = parser.parse_args()
    handset_program = os.path.join(args.bin, "cantavo-handset")
    cli = args.cli or os.path.join(args.bin, "cantavo-cli")
    pacing = ["--byte-paced"] if args.byte_paced else []

    with tempfile.TemporaryDirectory() as folder:
        handset = subprocess.Popen([handset_program, "--flash", os.path.join(folder, "flash.bin"), "--realtime",
                                    *pacing, "--erase-ms", "0"], stdout=subprocess.PIPE, text=True)
        try:
            port = handset.stdout.readline().strip()
            backup = os.path.join(folder, "backup.smf")
            rows = []
            for _ in range(args.runs):
                rows.append(run_cli(cli, port, "read", backup, "read"))
                rows.append(run_cli(cli, port, "write", backup, "download"))
        finally:
            handset.terminate()
            handset.wait(timeout=10)

    print(f"{'phase':9} {'bytes out':>9} {'bytes in':>9} {'minimum s':>9} {'wall s':>8} {'ratio':>6} "
          f"{'cpu s':>7} {'cpu %':>6}")
    read_cpu_target = BYTE_PACED_READ_CPU_TARGET if args.byte_paced else CPU_TARGET
    missed = False
    for phase, (wall, cpu, out, inward) in rows:
        minimum = (out + inward) * BITS_PER_BYTE / BAUD
        ratio = wall / minimum
        share = cpu / wall
        missed |= ratio > RATIO_TARGET or share > (read_cpu_target if phase == "read" else CPU_TARGET)
        print(f"{phase:9} {out:9d} {inward:9d} {minimum:9.3f} {wall:8.3f} {ratio:6.3f} {cpu:7.3f} {share:6.2%}")
    print(f"targets: ratio <= {RATIO_TARGET:.2f}, cpu < {CPU_TARGET:.0%} (read {read_cpu_target:.0%}): "
          f"{'missed' if missed else 'met'}")
    return 1 if missed and args.check else 0


if __name__ == "__main__":
    sys.exit(main())
