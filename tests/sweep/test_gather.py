"""Gathering: the final step of each case (or every step), the union of the step tables'
columns, and cases that failed or never ran.

The ZARNSTEP.CSV files here are hand-written stand-ins for the program's per-step table,
in its layout (step, kind, status, then values; a `resume` row marks a resumed run), and the
DONE markers stand in for finished runs: no program runs in this file."""
import os
import unittest

from sweep_support import TEMPLATE, read_table, scratch, tool

STAND_IN_TABLES = {
    # a path of two full steps and a half step, resumed once
    "00001": "step,kind,status,temperature_C,pH,moles_Quartz\n"
             "1,full,,250,6.8,0.11\n2,half,,247.5,6.9,0.12\n3,full,,245,6.9,0.13\n"
             "3,resume,,,,\n4,full,,240,7.0,0.14\n",
    # another assemblage: albite instead of quartz, and a non-finite value flagged
    "00002": "step,kind,status,temperature_C,pH,moles_Albite\n1,full,pH not finite,250,,0.04\n",
    # a run stopped just after it resumed: the resume row is the last one
    "00004": "step,kind,status,temperature_C,pH,moles_Quartz\n1,full,,250,6.5,0.2\n1,resume,,,,\n",
}
DONE = {"00001": ("ok", 0), "00002": ("ok", 0), "00003": ("failed", 1), "00004": ("killed", -9)}


class Gather(unittest.TestCase):
    def setUp(self):
        d = scratch(self.addCleanup)
        self.sweep = os.path.join(d, "sw")
        with open(os.path.join(d, "s.toml"), "w") as f:
            f.write("[vary]\npH = [6, 7, 8, 9, 10]\n")
        tool("plan", "-t", TEMPLATE, "-d", os.path.join(d, "s.toml"), self.sweep)
        for case, text in STAND_IN_TABLES.items():
            with open(os.path.join(self.sweep, "cases", case, "ZARNSTEP.CSV"), "w") as f:
                f.write(text)
        for case, (status, code) in DONE.items():  # 00005 has not run
            with open(os.path.join(self.sweep, "cases", case, "DONE"), "w") as f:
                f.write(f"status={status}\nexit_code={code}\nwall_s=0.05\nhost=h\nfinished=t\n")

    def gather(self, *options):
        out = os.path.join(self.sweep, "table.csv")
        tool("gather", self.sweep, "-o", out, *options)
        return read_table(out)

    def test_final_steps(self):
        rows = self.gather()
        self.assertEqual(list(rows[0]), ["case", "pH", "case_status", "exit_code", "wall_s", "step", "kind",
                                         "status", "temperature_C", "step:pH", "moles_Quartz", "moles_Albite"])
        picked = [(r["case"], r["pH"], r["case_status"], r["exit_code"], r["step"], r["kind"], r["status"],
                   r["step:pH"], r["moles_Quartz"], r["moles_Albite"]) for r in rows]
        self.assertEqual(picked, [
            ("00001", "6", "ok", "0", "4", "full", "", "7.0", "0.14", ""),
            ("00002", "7", "ok", "0", "1", "full", "pH not finite", "", "", "0.04"),
            ("00003", "8", "failed", "1", "", "", "", "", "", ""),  # no table
            ("00004", "9", "killed", "-9", "1", "full", "", "6.5", "0.2", ""),
            ("00005", "10", "pending", "", "", "", "", "", "", ""),
        ])

    def test_every_step(self):
        cases = [  # options, (case, step, kind) of every row
            ((), [("00001", "1", "full"), ("00001", "2", "half"), ("00001", "3", "full"), ("00001", "4", "full"),
                  ("00002", "1", "full"), ("00003", "", ""), ("00004", "1", "full"), ("00005", "", "")]),
            (("--keep-resume",), [("00001", "1", "full"), ("00001", "2", "half"), ("00001", "3", "full"),
                                  ("00001", "3", "resume"), ("00001", "4", "full"), ("00002", "1", "full"),
                                  ("00003", "", ""), ("00004", "1", "full"), ("00004", "1", "resume"),
                                  ("00005", "", "")]),
        ]
        for options, want in cases:
            with self.subTest(options):
                rows = self.gather("--all-steps", *options)
                self.assertEqual([(r["case"], r["step"], r["kind"]) for r in rows], want)
                self.assertTrue(all(r["wall_s"] == "0.05" for r in rows if r["case"] != "00005"))

    def test_status_counts(self):
        run = tool("status", self.sweep, check=False)
        self.assertEqual(run.returncode, 3)  # one case has not run
        self.assertIn("5 cases: 2 ok, 1 failed, 1 killed, 1 pending", run.stdout)


if __name__ == "__main__":
    unittest.main()
