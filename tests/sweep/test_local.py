"""The local engine with the real GNU parallel and the real program: a temperature x CO2
sweep of 200 cases of the reservoir example, checked against single runs made without the
tool; a sweep killed midway and run again; failures and timeouts recorded."""
import os
import re
import shutil
import signal
import subprocess
import time
import unittest

from sweep_support import (TEMPLATE, TOOL, program, read_table, scratch, single_run, tool, without,
                           write_quick_sweep)

TEMPS = (200, 295, 5)  # 20 temperatures
CO2 = (0.02, 0.025, 0.03, 0.035, 0.04, 0.045, 0.05, 0.055, 0.06, 0.065)  # HCO3- totals, mol
CASES = 200


def done_markers(sweep):
    out = {}
    for case in os.listdir(os.path.join(sweep, "cases")):
        path = os.path.join(sweep, "cases", case, "DONE")
        if os.path.exists(path):
            with open(path) as f:
                out[case] = f.read()
    return out


def joblog_cases(sweep, stamp):
    with open(os.path.join(sweep, "logs", stamp, "joblog")) as f:
        return re.findall(r"/cases/(\d+)", f.read())


def session(sid):
    """The live processes of a session (zombies left out)."""
    pids = []
    for p in os.listdir("/proc"):
        try:
            with open(f"/proc/{p}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except (OSError, IndexError):
            continue
        if p.isdigit() and fields[0] != "Z" and int(fields[3]) == sid:
            pids.append(int(p))
    return pids


def kill_session(proc):
    """SIGKILL to every process of the sweep's session: GNU parallel runs each job in a
    process group of its own, so killing the sweep's group would leave the workers running."""
    while session(proc.pid):
        for pid in session(proc.pid):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        time.sleep(0.05)
    proc.wait()


def output(sweep, case, name="ZARNOUT.DAT"):
    with open(os.path.join(sweep, "cases", case, name), "rb") as f:
        return f.read()


class LocalEngine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not shutil.which("parallel"):
            raise AssertionError("GNU parallel is not installed (apt-get install parallel)")
        cls.dir = scratch(cls.addClassCleanup)
        cls.description = write_quick_sweep(cls.dir, TEMPS, CO2)
        cls.whole = os.path.join(cls.dir, "whole")
        tool("plan", "-t", TEMPLATE, "-d", cls.description, cls.whole)
        tool("run", cls.whole, "--engine", "local")
        tool("gather", cls.whole)
        cls.table = read_table(os.path.join(cls.whole, "results.csv"))

    def test_every_case_ran_once(self):
        self.assertEqual(len(self.table), CASES)
        self.assertEqual({r["case_status"] for r in self.table} - {"ok", "failed"}, set())
        self.assertGreater(sum(r["case_status"] == "ok" for r in self.table), CASES // 2)
        for r in self.table:
            self.assertEqual(r["exit_code"], "0" if r["case_status"] == "ok" else "1")
        stamps = os.listdir(os.path.join(self.whole, "logs"))
        self.assertEqual(len(stamps), 1)
        self.assertEqual(sorted(joblog_cases(self.whole, stamps[0])), [r["case"] for r in self.table])

    def test_cases_equal_single_runs(self):
        for r in self.table[::37] + self.table[-1:]:
            with self.subTest(case=r["case"], TEMP=r["TEMP"], HCO3=r["total:HCO3-"]):
                code, text, steps, header = single_run(float(r["TEMP"]), float(r["total:HCO3-"]))
                self.assertEqual(str(code), r["exit_code"])
                self.assertEqual(text, output(self.whole, r["case"]))
                final = [s for s in steps if s["kind"] != "resume"][-1:] or [{}]  # none when it failed
                for column in header:
                    self.assertEqual(r[f"step:{column}" if f"step:{column}" in r else column],
                                     final[0].get(column, ""), column)

    def test_gathered_steps_from_the_program(self):
        # Each case is one equilibrium: an ok case has its starting point at its TEMP and
        # PFLUID, a failed one no step at all.
        for r in self.table:
            ok = r["case_status"] == "ok"
            got = (r["step"], r["kind"], r["path_variable"], r["temperature_C"] and float(r["temperature_C"]),
                   r["pressure_bar"] and float(r["pressure_bar"]))
            want = ("1", "start", "temperature_C", float(r["TEMP"]), float(r["PFLUID"]))
            self.assertEqual(got, want if ok else ("", "", "", "", ""), r["case"])

    def test_an_interrupted_sweep_finishes_only_the_missing_cases(self):
        # Stopped twice: a TERM to zarn-sweep (as an interrupt from the console or a
        # scheduler), then SIGKILL to every process it started (as a crash); run a third time.
        sweep = os.path.join(self.dir, "interrupted")
        tool("plan", "-t", TEMPLATE, "-d", self.description, sweep)
        before = {}
        for stop_at, stop in ((40, self.terminate), (100, kill_session)):
            first = subprocess.Popen([TOOL, "run", sweep], env=dict(os.environ, ZARN_QVD=program()),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                                     start_new_session=True)
            deadline = time.monotonic() + 300
            while len(done_markers(sweep)) < stop_at and first.poll() is None and time.monotonic() < deadline:
                time.sleep(0.05)
            stop(first)
            self.assertEqual(session(first.pid), [], "processes left running")
            now = done_markers(sweep)
            self.assertTrue(len(before) < len(now) < CASES, f"{len(now)} cases finished at the stop")
            for case, marker in before.items():  # finished cases were not run again
                self.assertEqual(now[case], marker, case)
            before = now

        # An attempt killed after its tables but before its DONE leaves tables that end at
        # the case's starting point; run again on them, the program would resume from them.
        for case in set(r["case"] for r in self.table) - set(before):
            for name in ("ZARNSTEP.CSV", "ZARNSPEC.CSV"):
                shutil.copyfile(os.path.join(self.whole, "cases", case, name), os.path.join(sweep, "cases", case, name))
        again = tool("run", sweep)
        missing = CASES - len(before)
        self.assertIn(f"{missing} of {CASES} cases to run", again.stdout)
        stamps = sorted(os.listdir(os.path.join(sweep, "logs")))
        rerun = joblog_cases(sweep, stamps[-1])
        self.assertEqual(sorted(rerun), sorted(set(r["case"] for r in self.table) - set(before)))
        after = done_markers(sweep)
        self.assertEqual(len(after), CASES)
        for case, marker in before.items():
            self.assertEqual(after[case], marker, case)

        for options in ((), ("--all-steps", "--keep-resume")):
            with self.subTest(options=options):
                table, whole = (read_table(tool("gather", s, *options, "-o", "-").stdout.splitlines())
                                for s in (sweep, self.whole))
                self.assertEqual(without(table, "wall_s"), without(whole, "wall_s"))
        for r in self.table:
            for name in ("ZARNOUT.DAT", "ZARNSPEC.CSV"):
                self.assertEqual(output(sweep, r["case"], name), output(self.whole, r["case"], name), r["case"])

    def terminate(self, proc):
        proc.terminate()
        self.assertEqual(proc.wait(60), 1)
        for _ in range(100):  # GNU parallel has stopped its jobs; their ends are reaped
            if not session(proc.pid):
                break
            time.sleep(0.05)

    def test_failures_and_timeouts_are_recorded(self):
        # A stand-in for the program that fails, hangs or is killed in the first three cases,
        # runs the real program in the fourth and is stopped (TERM, as by scancel) in the fifth.
        stand_in = os.path.join(self.dir, "stand-in")
        with open(stand_in, "w") as f:
            f.write(f"""#!/bin/sh
case "$2" in
  */00001) exit 1 ;;
  */00002) exec sleep 60 ;;
  */00003) kill -9 $$ ;;
  */00005) kill -TERM $$ ;;
esac
exec {program()} "$@"
""")
        os.chmod(stand_in, 0o755)
        sweep = os.path.join(self.dir, "troubles")
        with open(os.path.join(self.dir, "five.toml"), "w") as f:
            f.write("[set]\nCHGF = 1\nSLIM = 1000\n[vary]\nTEMP = [250, 251, 252, 253, 254]\n")
        tool("plan", "-t", TEMPLATE, "-d", os.path.join(self.dir, "five.toml"), sweep)
        troubles = ["failed/1", "timeout/-9", "killed/-9", "ok/0"]
        cases = [  # options of a run, its exit status and what it says, statuses after it
            (("--program", stand_in, "--timeout", "2", "--chunk", "1"), 1,
             "5 cases: 1 ok, 1 failed, 1 timeout, 1 killed, 1 pending", troubles + ["pending/"]),
            ((), 0, "1 of 5 cases to run", troubles + ["ok/0"]),
            ((), 0, "5 cases: 2 ok, 1 failed, 1 timeout, 1 killed, 0 pending", troubles + ["ok/0"]),
            (("--retry-failed", "--program", program()), 0, "3 of 5 cases to run", ["ok/0"] * 5),
        ]
        for options, code, says, statuses in cases:
            with self.subTest(options=options):
                run = tool("run", sweep, *options, check=False)
                self.assertEqual((run.returncode, says in run.stdout), (code, True), run.stdout + run.stderr)
                tool("gather", sweep)
                rows = read_table(os.path.join(sweep, "results.csv"))
                self.assertEqual([f"{r['case_status']}/{r['exit_code']}" for r in rows], statuses)


if __name__ == "__main__":
    unittest.main()
