#!/usr/bin/python3
"""Cases per second of zarn-sweep's engines against running the cases one after another.

    /usr/bin/python3 bench/sweep_throughput.py [--cases 1000] [--pairs 3] [--slurm] [-o notes.md]

Each repetition plans fresh sweeps of the reservoir example (temperature steps of 0.1 C
from 200 C at 100 bar, Cl- balancing, one equilibrium a case), then times, in
alternating order: the cases run one after another by a shell loop (`zarn-qvd -C CASE
--answer no`, nothing else), `zarn-sweep run --engine local` (GNU parallel on every core)
and `zarn-sweep run --jobs 1` (the tool's own cost with nothing in parallel). With --slurm
it starts a one-node Slurm cluster (as the tests do) and times `--engine slurm --wait` with
the default chunk and with one array task per core, up to the end of the last case.
Medians of the repetitions; planning is not timed. Each run notes the load average of the
minute before it: a run that other work on the machine slowed down shows there. It
reports, and asserts nothing.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "sweep"))
from services import OneNodeSlurm  # noqa: E402

TOOL = os.path.join(ROOT, "tools", "zarn-sweep")
DESCRIPTION = """template = "{template}"
[set]
CHGF = 1
NLOOP = 40
SLIM = 1000
PFLUID = 100
[vary]
TEMP = {{ range = [200, {last}, 0.1] }}
"""


def plan(folder, name, n, program):
    desc = os.path.join(folder, "bench.toml")
    with open(desc, "w") as f:
        f.write(DESCRIPTION.format(template=os.path.join(ROOT, "examples", "reservoir-250c"),
                                   last=round(200 + 0.1 * (n - 1), 1)))
    sweep = os.path.join(folder, name)
    subprocess.run([TOOL, "plan", "--program", program, "-d", desc, sweep], check=True, stdout=subprocess.DEVNULL)
    return sweep


LOADS = {}  # seconds of a run -> the load average of the minute before it started


def timed(command, env=None):
    load = os.getloadavg()[0]
    start = time.monotonic()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env,
                   stdin=subprocess.DEVNULL)
    seconds = time.monotonic() - start
    LOADS[seconds] = load
    return seconds


def until_last_case(sweep, command, env):
    """Seconds from the submission to the end of the last case: `sbatch --wait` polls the
    job with waits growing to 32 s, too coarse to time it by."""
    load = os.getloadavg()[0]
    start = time.time()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env,
                   stdin=subprocess.DEVNULL)
    cases = os.path.join(sweep, "cases")
    seconds = max(os.stat(os.path.join(cases, c, "DONE")).st_mtime for c in os.listdir(cases)) - start
    LOADS[seconds] = load
    return seconds


def sequential(sweep, program):
    loop = f'for d in "{sweep}"/cases/*/; do "{program}" -C "$d" --answer no >/dev/null 2>&1; done; true'
    return timed(["bash", "-c", loop])


def program_seconds(sweep):
    total = 0.0
    for case in os.listdir(os.path.join(sweep, "cases")):
        with open(os.path.join(sweep, "cases", case, "DONE")) as f:
            total += float(dict(line.strip().split("=", 1) for line in f)["wall_s"])
    return total


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--cases", type=int, default=1000)
    ap.add_argument("--pairs", type=int, default=3)
    ap.add_argument("--slurm", action="store_true")
    ap.add_argument("--program", default=os.environ.get("ZARN_QVD", os.path.join(ROOT, "build", "release", "zarn-qvd")))
    ap.add_argument("-o", "--output", help="append the figures to this file as well")
    args = ap.parse_args()
    env = dict(os.environ, ZARN_QVD=args.program)
    n = args.cases
    runs = {"one after another": [], "local, all cores": [], "local, --jobs 1": []}
    inside = []
    with tempfile.TemporaryDirectory() as d:
        for rep in range(args.pairs):
            order = list(runs) if rep % 2 == 0 else list(reversed(runs))
            for what in order:
                sweep = plan(d, f"r{rep}-{list(runs).index(what)}", n, args.program)
                if what == "one after another":
                    runs[what].append(sequential(sweep, args.program))
                else:
                    jobs = ["--jobs", "1"] if "jobs 1" in what else []
                    runs[what].append(timed([TOOL, "run", sweep, *jobs], env))
                    if not jobs:
                        inside.append(program_seconds(sweep) / n)
                print(f"  {what}: {runs[what][-1]:.1f} s (load before {LOADS[runs[what][-1]]:.1f})",
                      file=sys.stderr, flush=True)
        if args.slurm:
            os.mkdir(os.path.join(d, "cluster"))
            cluster = OneNodeSlurm(os.path.join(d, "cluster"))
            cluster.start()
            try:
                cores = os.cpu_count() or 1
                for label, chunk in (("slurm, default chunk (100)", []),
                                     (f"slurm, {cores} tasks", ["--chunk", str(-(-n // cores))])):
                    runs[label] = []
                    for rep in range(args.pairs):
                        sweep = plan(d, f"s{rep}-{len(runs)}", n, args.program)
                        runs[label].append(until_last_case(sweep, [TOOL, "run", sweep, "--engine", "slurm",
                                                                   "--wait", *chunk], dict(env, **cluster.env)))
                        print(f"  {label}: {runs[label][-1]:.1f} s (load before {LOADS[runs[label][-1]]:.1f})",
                              file=sys.stderr, flush=True)
            finally:
                cluster.stop()

    seq = statistics.median(runs["one after another"])
    lines = [f"## {n} cases, {args.pairs} repetitions, {time.strftime('%Y-%m-%d')}, load average "
             f"{os.getloadavg()[0]:.1f} at the end", "",
             "| engine | median s | cases/s | vs one after another | runs: s (load average before) |",
             "|---|---|---|---|---|"]
    for what, times in runs.items():
        med = statistics.median(times)
        lines.append(f"| {what} | {med:.1f} | {n / med:.1f} | {seq / med:.2f} | "
                     f"{', '.join(f'{t:.1f} ({LOADS[t]:.1f})' for t in times)} |")
    j1 = statistics.median(runs["local, --jobs 1"])
    lines += ["", f"Overhead of the tool per case (--jobs 1 less the shell loop): {1000 * (j1 - seq) / n:.1f} ms; "
              f"the program's own wall time per case inside the sweep: {1000 * statistics.median(inside):.1f} ms; "
              f"one after another: {1000 * seq / n:.1f} ms a case.", ""]
    text = "\n".join(lines)
    print(text)
    if args.output:
        with open(args.output, "a") as f:
            f.write(text + "\n")


if __name__ == "__main__":
    main()
