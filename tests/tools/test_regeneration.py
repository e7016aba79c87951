"""The committed data files are exactly what the tools write: MINOX.DAT, the example run
files and the number printer's powers of ten always, DORNEVAL.QVD and the conversion report
when the source database is at hand (ZQ_LLNL_DAT and ZQ_CORE10_DAT, or
shared/data/llnl.dat and core10.dat beside the repository)."""
import contextlib
import io
import os
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import convert_llnl  # noqa: E402
import make_examples  # noqa: E402
import make_minox  # noqa: E402
import make_pow10_table  # noqa: E402


def read(path):
    with open(path, "rb") as f:
        return f.read()


def source_database(name="llnl.dat", variable="ZQ_LLNL_DAT"):
    for path in (os.environ.get(variable), os.path.join(ROOT, "..", "shared", "data", name)):
        if path and os.path.isfile(path):
            return path
    return None


def volume_database():
    return source_database("core10.dat", "ZQ_CORE10_DAT")


class Regeneration(unittest.TestCase):
    def run_quietly(self, main, args):
        with contextlib.redirect_stdout(io.StringIO()):
            self.assertEqual(main(args), 0)

    def test_reactant_file_and_examples(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "MINOX.DAT")
            self.run_quietly(make_minox.main, ["-o", out])
            self.assertEqual(read(out), read(os.path.join(ROOT, "data", "MINOX.DAT")))
            self.run_quietly(make_examples.main, ["-e", tmp])
            for ex in ("seawater", "reservoir-250c", "cooling-250-to-100c", "basalt-seawater-250c", "ph-path",
                       "pressure-path", "boiling-300c", "mixing-hot-cold", "electrum", "flushing-calcite-co2"):
                self.assertEqual(read(os.path.join(tmp, ex, "ZARNRUN.DAT")),
                                 read(os.path.join(ROOT, "examples", ex, "ZARNRUN.DAT")), ex)

    def test_powers_of_ten(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "pow10_table.h")
            self.assertEqual(make_pow10_table.main(["-o", out]), 0)
            self.assertEqual(read(out), read(os.path.join(ROOT, "src", "format", "pow10_table.h")))

    @unittest.skipIf(source_database() is None or volume_database() is None,
                     "source databases llnl.dat and core10.dat not available")
    def test_database_byte_for_byte(self):
        with tempfile.TemporaryDirectory() as tmp:
            qvd, report = os.path.join(tmp, "DORNEVAL.QVD"), os.path.join(tmp, "report.txt")
            self.run_quietly(convert_llnl.main, [source_database(), "-v", volume_database(),
                                                 "-o", qvd, "-r", report])
            self.assertEqual(read(qvd), read(os.path.join(ROOT, "data", "DORNEVAL.QVD")))
            self.assertEqual(read(report), read(os.path.join(ROOT, "tools", "conversion_report.txt")))


if __name__ == "__main__":
    unittest.main()
