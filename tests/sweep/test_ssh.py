"""The ssh engine: the exact GNU parallel command it runs, and a sweep run over ssh to an
sshd on the loopback address started for the test (its not starting fails the test)."""
import os
import re
import shlex
import unittest

from services import LoopbackSshd, ServiceError
from sweep_support import TEMPLATE, program, read_table, scratch, single_run, tool, write_quick_sweep


class SshEngine(unittest.TestCase):
    def setUp(self):
        self.dir = scratch(self.addCleanup)
        self.description = write_quick_sweep(self.dir, (240, 255, 5), (0.03, 0.04, 0.05))
        self.sweep = os.path.join(self.dir, "sw")
        tool("plan", "-t", TEMPLATE, "-d", self.description, self.sweep)
        self.logins = os.path.join(self.dir, "logins")

    def test_the_parallel_command(self):
        with open(self.logins, "w") as f:
            f.write("4/node1\n4/node2\n")
        out = tool("run", self.sweep, "--engine", "ssh", "--sshloginfile", self.logins, "--chunk", "3",
                   "--timeout", "60", "--dry-run").stdout
        [stamp] = os.listdir(os.path.join(self.sweep, "logs"))
        logs = os.path.join(self.sweep, "logs", stamp)
        self.assertEqual(shlex.split(out), [
            "parallel", "--will-cite", "-N", "3", "--joblog", f"{logs}/joblog", "--arg-file", f"{logs}/pending.txt",
            "--sshloginfile", self.logins,
            f"{self.sweep}/bin/zarn-sweep exec --program {program()} --timeout 60.0"])
        self.assertFalse(os.path.exists(f"{logs}/joblog"))

    def test_a_sweep_over_ssh(self):
        os.mkdir(os.path.join(self.dir, "sshd"))
        sshd = LoopbackSshd(os.path.join(self.dir, "sshd"))
        try:
            sshd.start()
        except ServiceError as e:
            self.fail(f"the sshd on 127.0.0.1 did not start: {e}")
        self.addCleanup(sshd.stop)
        with open(self.logins, "w") as f:
            f.write(sshd.login + "\n")
        tool("run", self.sweep, "--engine", "ssh", "--sshloginfile", self.logins, "--chunk", "3", timeout=600)
        [stamp] = os.listdir(os.path.join(self.sweep, "logs"))
        with open(os.path.join(self.sweep, "logs", stamp, "joblog")) as f:
            jobs = f.read().split("\n")[1:-1]
        self.assertEqual(len(jobs), 4)  # 12 cases, 3 a connection
        self.assertTrue(all(j.split("\t")[1] == sshd.login.split("/", 1)[1] for j in jobs))
        self.assertEqual(sorted(re.findall(r"/cases/(\d+)", "\n".join(jobs))), [f"{i:05d}" for i in range(1, 13)])
        tool("gather", self.sweep)
        table = read_table(os.path.join(self.sweep, "results.csv"))
        for r in table[::5]:
            with self.subTest(case=r["case"]):
                code, listing, _, _ = single_run(float(r["TEMP"]), float(r["total:HCO3-"]))
                self.assertEqual(str(code), r["exit_code"])
                with open(os.path.join(self.sweep, "cases", r["case"], "ZARNOUT.DAT"), "rb") as f:
                    self.assertEqual(f.read(), listing)


if __name__ == "__main__":
    unittest.main()
