#!/usr/bin/env python3
"""Writes the run files of the hard-path corpus, one folder each, from the bundled examples.

The corpus: closed and fractionating cooling and heating of the seawater and reservoir
fluids between 25 and 350 C, each bundled rock titrated into seawater and into the
reservoir fluid to 100 g, and pH paths between 3 and 11 (the bundled database holds data
along the saturation curve only, so there are no paths on the extended grid). Run from the repository root:
    python3 tests/data/hard-paths/make_paths.py
"""
import pathlib

ROOT = pathlib.Path(__file__).resolve().parents[3]
OUT = pathlib.Path(__file__).resolve().parent

OPTIONS = ["CONFLG", "C", "IFRAC", "IPUNCH", "NLOOP", "ISTEP", "LIMSOL", "LOOC", "IENTH", "ITREF",
           "IDEAL", "IPSAT", "INCREM", "INCP", "MINSOL", "NEUT", "AWAT", "CHGF"]
PARAMS = ["ERPC", "pH", "PFLUID", "TEMP", "TEMPC", "VBOX1", "RHOFRS", "RHOROC"]
STEPS = ["SINC", "SLIM", "TOTMIX"]


class Run:
    """A run file as its lines, with the values changed in place."""

    def __init__(self, example):
        self.lines = (ROOT / "examples" / example / "ZARNRUN.DAT").read_text().split("\n")

    def _after(self, caption):
        for i, line in enumerate(self.lines):
            if line.startswith(caption):
                return i + 1
        raise KeyError(caption)

    def _set_free(self, caption, names, **values):
        i = self._after(caption)
        fields = self.lines[i].replace(",", " ").split()
        for name, value in values.items():
            fields[names.index(name)] = repr(float(value))
        self.lines[i] = " " + " ".join(fields)
        return self

    def titles(self, first, second):
        self.lines[0], self.lines[1] = first.ljust(120), second.ljust(120)
        return self

    def params(self, **v):
        return self._set_free("<  erpc  >", PARAMS, **v)

    def steps(self, **v):
        return self._set_free("< step increm >", STEPS, **v)

    def options(self, **v):
        i = self._after("hiP:1")
        fields = self.lines[i].split()
        for name, value in v.items():
            fields[OPTIONS.index(name)] = str(value)
        self.lines[i] = "".join(f"{f:>5}" for f in fields)
        return self

    def _block(self, caption):
        start = self._after(caption)
        end = start
        while end < len(self.lines) and self.lines[end].strip():
            end += 1
        return start, end

    def components(self):
        start, end = self._block(" saq>")
        return {int(l[:5]): l for l in self.lines[start:end]}, start, end

    def set_component(self, saq, name, total, trial, gamma=1.0):
        rows, start, end = self.components()
        rows[saq] = f"{saq:5d} {name:<12s}{total:19.12E}{trial:19.12E}{gamma:19.12E}{0.0:19.12E}"
        ordered = [rows[1], rows[2]] + [rows[k] for k in sorted(rows) if k > 2]
        self.lines[start:end] = ordered
        return self

    def drop_component(self, saq):
        rows, start, end = self.components()
        del rows[saq]
        self.lines[start:end] = [rows[1], rows[2]] + [rows[k] for k in sorted(rows) if k > 2]
        return self

    def total(self, saq):
        return float(self.components()[0][saq][18:37])

    def minerals(self, names):
        start, end = self._block("<     minerals     >")
        self.lines[start:end] = [f"{n:<20s}  {m:18.10E}" for n, m in names]
        return self

    def reactants(self, names):
        start, end = self._block("<    reactants     >")
        self.lines[start:end] = [f"{n:<20s}  {w:18.6f}" for n, w in names]
        return self

    def write(self, name):
        folder = OUT / name
        folder.mkdir(exist_ok=True)
        (folder / "ZARNRUN.DAT").write_text("\n".join(self.lines))


def reservoir(traces=True, oxidised=False):
    """The reservoir fluid; with the traces of Fe, Mn, P and Ti a rock brings, and in the
    O2,aq basis (sulfide as SO4-- + H+ - 2 O2,aq) for rocks that carry ferric iron."""
    r = Run("reservoir-250c")
    if traces:
        for saq, name in ((9, "Fe++"), (17, "Mn++"), (26, "HPO4--"), (27, "Ti(OH)4,aq")):
            r.set_component(saq, name, 1e-9, 1e-10, 0.3 if saq != 27 else 1.0)
    if oxidised:
        hs = r.total(6)
        r.set_component(4, "SO4--", r.total(4) + hs, 1e-4, 0.2)
        r.set_component(1, "H+", r.total(1) + hs, 1e-6, 0.7)
        r.drop_component(6)
        # log a(O2,aq) about -38 at 250 C holds the sulfide as HS- (log K of HS- is 69).
        r.set_component(31, "O2,aq", -2 * hs, 1e-38, 1.0)
    return r


def seawater():
    """Seawater with deep-ocean traces of Si, P, Fe, Mn, Al, Ti (O2,aq basis)."""
    return Run("basalt-seawater-250c").reactants([])


def main():
    # Cooling and heating on the liquid-vapour curve, closed and fractionating.
    for ifrac, kind in ((0, "closed"), (1, "fractionating")):
        reservoir(traces=False).titles(f"Reservoir fluid cooled from 250 to 25 C, {kind}", "hard path").steps(
            SINC=-5, SLIM=25).options(IFRAC=ifrac, IPUNCH=0).write(f"reservoir-cool-{kind}")
        # Heated, the fluids are held at 200 bar, above the boiling pressure of water at 350 C.
        reservoir(traces=False).titles(f"Reservoir fluid heated from 250 to 350 C, {kind}", "hard path").params(
            PFLUID=200).steps(SINC=5, SLIM=350).options(IFRAC=ifrac, IPUNCH=0).write(f"reservoir-heat-{kind}")
        seawater().titles(f"Seawater heated from 25 to 350 C, {kind}", "hard path").params(
            TEMP=25, PFLUID=200).steps(SINC=5, SLIM=350).options(
            IFRAC=ifrac, MINSOL=0, IPUNCH=0).write(f"seawater-heat-{kind}")
    reservoir(traces=False).titles("Reservoir fluid cooled from 250 to 25 C, closed, half steps back",
                                   "hard path").steps(SINC=-5, SLIM=25).options(
        IFRAC=0, LOOC=1, IPUNCH=0).write("reservoir-cool-closed-looc")
    # With half steps back when two phases change at once.
    seawater().titles("Seawater heated from 25 to 350 C, closed, half steps back", "hard path").params(
        TEMP=25, PFLUID=200).steps(SINC=5, SLIM=350).options(IFRAC=0, MINSOL=0, LOOC=1, IPUNCH=0).write(
        "seawater-heat-closed-looc")
    reservoir(traces=False).titles("Reservoir fluid heated from 250 to 350 C, closed, half steps back",
                                   "hard path").params(PFLUID=200).steps(SINC=5, SLIM=350).options(
        IFRAC=0, LOOC=1, IPUNCH=0).write("reservoir-heat-closed-looc")
    # Titrations to 100 g of rock per kilogram of water.
    for rock in ("MORB", "Basalt", "Andesite", "Granite"):
        seawater().titles(f"{rock} titrated into seawater at 250 C to 100 g", "hard path").reactants(
            [(rock, 100.0)]).steps(SINC=1, SLIM=100).options(IPUNCH=0).write(f"seawater-{rock.lower()}")
        r = reservoir(oxidised=rock != "MORB").titles(f"{rock} titrated into the reservoir fluid at 250 C to 100 g",
                                                     "hard path")
        r.reactants([(rock, 100.0)]).steps(SINC=1, SLIM=100, TOTMIX=0).options(
            MINSOL=1, IPUNCH=0, LOOC=1).write(f"reservoir-{rock.lower()}")
    # pH paths between 3 and 11: Na+ takes up the charge going up, Cl- coming down. The
    # reservoir fluid starts from pH 7, near its own, with its minerals.
    for start, end, step, c, way in ((3, 11, 0.25, 5, "up"), (11, 3, -0.25, 3, "down")):
        Run("ph-path").titles(f"Seawater at 25 C from pH {start} to {end}", "hard path").params(pH=start).steps(
            SINC=step, SLIM=end).options(C=c, IPUNCH=0).write(f"seawater-ph-{way}")
        reservoir(traces=False).titles(f"Reservoir fluid at 250 C from pH 7 to {end}", "hard path").params(
            pH=7).steps(SINC=step, SLIM=end).options(C=c, IPUNCH=0).write(f"reservoir-ph-{way}")

if __name__ == "__main__":
    main()
