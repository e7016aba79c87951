"""What the sweep tests share: the tool, the program, the reservoir example as template,
and single runs made without the tool to check its cases against."""
import csv
import importlib.machinery
import importlib.util
import os
import shutil
import subprocess
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(ROOT, "tools", "zarn-sweep")
TEMPLATE = os.path.join(ROOT, "examples", "reservoir-250c")
DATA = os.path.join(ROOT, "data")


def load_tool():
    """tools/zarn-sweep as a module (the file has no .py suffix)."""
    loader = importlib.machinery.SourceFileLoader("zarn_sweep", TOOL)
    found = importlib.util.spec_from_loader("zarn_sweep", loader)
    module = importlib.util.module_from_spec(found)
    loader.exec_module(module)
    return module


def program():
    """zarn-qvd: $ZARN_QVD (ctest sets it) or the release build."""
    path = os.environ.get("ZARN_QVD") or os.path.join(ROOT, "build", "release", "zarn-qvd")
    if not os.access(path, os.X_OK):
        raise AssertionError(f"zarn-qvd not found at {path}: build it or set ZARN_QVD")
    return path


def tool(*args, check=True, env=None, **kw):
    env = dict(env or os.environ, ZARN_QVD=program())
    run = subprocess.run([TOOL, *args], capture_output=True, text=True, env=env, stdin=subprocess.DEVNULL, **kw)
    if check and run.returncode != 0:
        raise AssertionError(f"zarn-sweep {' '.join(args)}: exit {run.returncode}\n{run.stdout}\n{run.stderr}")
    return run


def read_table(source):
    """The rows of a CSV table: a file's path, or its lines."""
    if not isinstance(source, str):
        return list(csv.DictReader(source))
    with open(source, newline="") as f:
        return list(csv.DictReader(f))


# The quick temperature x CO2 sweep of the reservoir fluid: every case one equilibrium (SLIM
# above every TEMP with a negative SINC), Cl- adjusted to the changed carbonate (CHGF = 1),
# at most 40 iterations so that a case that does not converge ends soon, at 100 bar so that
# the water does not boil up to 300 C.
QUICK_SWEEP = """
[set]
CHGF = 1
NLOOP = 40
SLIM = 1000
PFLUID = 100
[vary]
TEMP = {{ range = [{t0}, {t1}, {dt}] }}
[vary.total]
"HCO3-" = {{ values = [{co2}] }}
"""


def write_quick_sweep(folder, temps, co2):
    path = os.path.join(folder, "sweep.toml")
    with open(path, "w") as f:
        f.write(QUICK_SWEEP.format(t0=temps[0], t1=temps[1], dt=temps[2], co2=", ".join(map(str, co2))))
    return path


def single_run(temp, hco3, nloop=40):
    """The reservoir example at TEMP and 100 bar with the HCO3- total hco3, run once in a
    fresh folder, its run file edited here line by line without the tool. Returns (exit
    status, listing, the rows of its per-step table ZARNSTEP.CSV and that table's header)."""
    with open(os.path.join(TEMPLATE, "ZARNRUN.DAT")) as f:
        lines = f.read().split("\n")
    p = lines[4]
    lines[4] = p[:21] + f"{100:9.4f} {temp:9.4f}" + p[40:]   # PFLUID, TEMP: F9.4 in columns 22-30, 32-40
    lines[7] = " -5.0000000      1000.0000      0.0000000    "  # SINC, SLIM, TOTMIX
    opts = lines[14].split()
    opts[4], opts[17] = str(nloop), "1"                       # NLOOP, CHGF
    lines[14] = "".join(f"{o:>5}" for o in opts)
    row = next(i for i, line in enumerate(lines) if line[6:18].strip() == "HCO3-")
    lines[row] = lines[row][:18] + f"{hco3:19.12E}" + lines[row][37:]
    with tempfile.TemporaryDirectory() as d:
        with open(os.path.join(d, "ZARNRUN.DAT"), "w") as f:
            f.write("\n".join(lines))
        for name in ("DORNEVAL.QVD", "MINOX.DAT"):
            os.symlink(os.path.join(DATA, name), os.path.join(d, name))
        code = subprocess.run([program(), "-C", d, "--answer", "no"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL).returncode
        with open(os.path.join(d, "ZARNOUT.DAT"), "rb") as f:
            listing = f.read()
        with open(os.path.join(d, "ZARNSTEP.CSV"), newline="") as f:
            steps = csv.DictReader(f)
            rows = list(steps)
    return code, listing, rows, steps.fieldnames


def without(rows, *columns):
    return [{k: v for k, v in r.items() if k not in columns} for r in rows]


def scratch(register):
    """A scratch folder, removed by the cleanup that `register` adds (a test's addCleanup,
    or a class's addClassCleanup)."""
    d = tempfile.mkdtemp(prefix="zarn-sweep-test-")
    register(shutil.rmtree, d, ignore_errors=True)
    return d
