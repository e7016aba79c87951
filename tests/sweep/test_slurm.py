"""The Slurm engine on a real one-node cluster started on this machine for the test: a
50-case job array, its cases checked against single runs; the job script of a dry run.
The cluster not starting is a failure of the test, with the reason."""
import os
import unittest

from services import OneNodeSlurm, ServiceError
from sweep_support import TEMPLATE, program, read_table, scratch, single_run, tool, write_quick_sweep


class SlurmEngine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = scratch(cls.addClassCleanup)
        os.mkdir(os.path.join(cls.dir, "cluster"))
        cls.cluster = OneNodeSlurm(os.path.join(cls.dir, "cluster"))
        try:
            cls.cluster.start()
        except ServiceError as e:
            raise AssertionError(f"the one-node Slurm cluster did not start: {e}") from None
        cls.addClassCleanup(cls.cluster.stop)
        cls.description = write_quick_sweep(cls.dir, (200, 245, 5), (0.02, 0.03, 0.04, 0.05, 0.06))

    def test_a_job_array_of_50_cases(self):
        sweep = os.path.join(self.dir, "array")
        tool("plan", "-t", TEMPLATE, "-d", self.description, sweep)
        out = tool("run", sweep, "--engine", "slurm", "--chunk", "10", "--wait", env=self.cluster.env,
                   timeout=900).stdout
        self.assertIn("5 array tasks of 10 cases (50 cases)", out)
        self.assertNotIn("pending", out.replace("0 pending", ""))
        [stamp] = os.listdir(os.path.join(sweep, "slurm"))
        tasks = sorted(f for f in os.listdir(os.path.join(sweep, "slurm", stamp)) if f.startswith("task-"))
        self.assertEqual(tasks, [f"task-{i}.out" for i in range(5)])

        tool("gather", sweep)
        table = read_table(os.path.join(sweep, "results.csv"))
        self.assertEqual(len(table), 50)
        self.assertEqual({r["case_status"] for r in table} - {"ok", "failed"}, set())
        for r in table[::17]:
            with self.subTest(case=r["case"]):
                code, listing, _, _ = single_run(float(r["TEMP"]), float(r["total:HCO3-"]))
                self.assertEqual(str(code), r["exit_code"])
                with open(os.path.join(sweep, "cases", r["case"], "ZARNOUT.DAT"), "rb") as f:
                    self.assertEqual(f.read(), listing)
        again = tool("run", sweep, "--engine", "slurm", "--wait", env=self.cluster.env).stdout
        self.assertIn("50 cases:", again)  # nothing left to submit
        self.assertEqual(len(os.listdir(os.path.join(sweep, "slurm"))), 1)

    def test_a_dry_run_writes_the_job_script_only(self):
        sweep = os.path.join(self.dir, "dry")
        tool("plan", "-t", TEMPLATE, "-d", self.description, sweep)
        tool("run", sweep, "--engine", "slurm", "--dry-run", "--chunk", "15", "--timeout", "30",
             "--sbatch-arg=--partition=sweeps", "--sbatch-arg=--time=10", env=self.cluster.env)
        [stamp] = os.listdir(os.path.join(sweep, "slurm"))
        folder = os.path.join(sweep, "slurm", stamp)
        self.assertEqual(sorted(os.listdir(folder)), ["job.sh", "pending.txt"])
        with open(os.path.join(folder, "job.sh")) as f:
            script = f.read().split("\n")
        self.assertEqual(script[:9], [
            "#!/bin/bash", "#SBATCH --job-name=zarn-sweep", "#SBATCH --array=0-3", "#SBATCH --ntasks=1",
            "#SBATCH --cpus-per-task=1", f"#SBATCH --output={folder}/task-%a.out", "#SBATCH --partition=sweeps",
            "#SBATCH --time=10", f"# zarn-sweep: 50 cases of {sweep}, 15 per array task: task N runs"])
        self.assertEqual(script[-2], f"{sweep}/bin/zarn-sweep exec --program {program()} --timeout 30.0 "
                                     f"--list {folder}/pending.txt --chunk 15 --task \"$SLURM_ARRAY_TASK_ID\"")
        with open(os.path.join(folder, "pending.txt")) as f:
            self.assertEqual(f.read().split(), [os.path.join(sweep, "cases", f"{i:05d}") for i in range(1, 51)])
        self.assertFalse(any(os.path.exists(os.path.join(sweep, "cases", f"{i:05d}", "DONE")) for i in range(1, 51)))


if __name__ == "__main__":
    unittest.main()
