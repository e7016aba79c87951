"""Gathering: the final step of each case (or every step), the union of the step tables'
columns, and cases that failed or never ran.

The ZARNSTEP.CSV files here are hand-written stand-ins for the program's per-step table,
in its layout (step, kind, the path, conditions, status, then moles_<phase> and totals; a
name with a comma quoted; a `resume` row, every other cell empty, marks a resumed run), and
the DONE markers stand in for finished runs: no program runs in this file."""
import os
import unittest

from sweep_support import TEMPLATE, read_table, scratch, tool

HEADER = 'step,kind,path_variable,path_value,temperature_C,pH,status,{phase},"total_SiO2,aq_mol_per_kg"\n'
STAND_IN_TABLES = {
    # a path of two full steps and a half step, resumed once
    "00001": HEADER.format(phase="moles_Quartz")
    + "1,start,temperature_C,250,250,6.8,,0.11,0.009\n2,half,temperature_C,247.5,247.5,6.9,,0.12,0.008\n"
      "3,full,temperature_C,245,245,6.9,,0.13,0.007\n3,resume,,,,,,,\n4,full,temperature_C,240,240,7.0,,0.14,0.006\n",
    # another assemblage: albite instead of quartz, and a non-finite value flagged
    "00002": HEADER.format(phase="moles_Albite") + "1,start,temperature_C,250,250,,not finite: pH,0.04,0.01\n",
    # a run stopped just after it resumed: the resume row is the last one
    "00004": HEADER.format(phase="moles_Quartz") + "1,start,pH,6.5,250,6.5,,0.2,0.003\n1,resume,,,,,,,\n",
    # the table of an attempt stopped midway, which will run again: not gathered
    "00005": HEADER.format(phase="moles_Calcite") + "1,start,temperature_C,250,250,7.1,,0.3,0.002\n",
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
                                         "path_variable", "path_value", "temperature_C", "step:pH", "status",
                                         "moles_Quartz", "total_SiO2,aq_mol_per_kg", "moles_Albite"])
        picked = [(r["case"], r["pH"], r["case_status"], r["exit_code"], r["step"], r["kind"], r["status"],
                   r["step:pH"], r["moles_Quartz"], r["moles_Albite"], r["total_SiO2,aq_mol_per_kg"]) for r in rows]
        self.assertEqual(picked, [
            ("00001", "6", "ok", "0", "4", "full", "", "7.0", "0.14", "", "0.006"),
            ("00002", "7", "ok", "0", "1", "start", "not finite: pH", "", "", "0.04", "0.01"),
            ("00003", "8", "failed", "1", "", "", "", "", "", "", ""),  # no table
            ("00004", "9", "killed", "-9", "1", "start", "", "6.5", "0.2", "", "0.003"),
            ("00005", "10", "pending", "", "", "", "", "", "", "", ""),  # not finished
        ])

    def test_every_step(self):
        cases = [  # options, (case, step, kind) of every row
            ((), [("00001", "1", "start"), ("00001", "2", "half"), ("00001", "3", "full"), ("00001", "4", "full"),
                  ("00002", "1", "start"), ("00003", "", ""), ("00004", "1", "start"), ("00005", "", "")]),
            (("--keep-resume",), [("00001", "1", "start"), ("00001", "2", "half"), ("00001", "3", "full"),
                                  ("00001", "3", "resume"), ("00001", "4", "full"), ("00002", "1", "start"),
                                  ("00003", "", ""), ("00004", "1", "start"), ("00004", "1", "resume"),
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
