#!/usr/bin/python3
"""Writes the run files ZARNRUN.DAT of examples/ in the layout the pickup writer
produces (captions included), from the compositions below.

    /usr/bin/python3 tools/make_examples.py [-e examples] [-d data/DORNEVAL.QVD]

Component totals are per kilogram of water (the water row holds kilograms).  The total
of the charge-balance component (Cl-) is computed here so that every starting solution
is neutral: the program then asks no charge-balance question.
"""
import argparse
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from qvdconv import reader  # noqa: E402
from qvdconv.fixed import a_field, e_field, f_field, g_field, i_field  # noqa: E402

# Reference-composition seawater, mol/kg of solution (Millero, F. J., Feistel, R.,
# Wright, D. G., McDougall, T. J., 2008, Deep-Sea Research I 55, 50-72, table 3), with
# Br- counted as Cl-, total boron as B(OH)3 and total inorganic carbon as HCO3-.  Per kg
# of water: divided by the 0.96483496 kg of water in 1 kg of solution (salinity
# 35.16504 g/kg).  Dissolved O2 of air-saturated seawater at 25 °C, 206 µmol/kg (Garcia,
# H. E., Gordon, L. I., 1992, Limnology and Oceanography 37, 1307-1312).
KG_WATER = 0.96483496
SEAWATER = {
    5: 0.4689674, 8: 0.0528171, 10: 0.0102821, 7: 0.0102077, 16: 0.0000907,
    4: 0.0282352, 14: 0.0000683, 13: 0.0017177 + 0.0002390 + 0.0000096,
    25: 0.0003143 + 0.0001008, 31: 0.000206,
}
SEAWATER_BR = 0.0008421
SEAWATER_CL = 0.5458696
# H+ total in this basis: minus (total alkalinity - total inorganic carbon), that is
# -([CO3--] + [B(OH)4-] + [OH-] - [CO2] - [H+]).
SEAWATER_H = -(0.0002390 + 0.0001008 + 0.0000080 - 0.0000096)

TRIAL_SEAWATER = {   # free molality, activity coefficient (rough starting values)
    1: (7.9e-9, 0.75), 3: (0.55, 0.65), 4: (0.012, 0.11), 5: (0.47, 0.68), 7: (0.0104, 0.62),
    8: (0.048, 0.24), 10: (0.0094, 0.21), 13: (0.0015, 0.56), 14: (4.0e-5, 0.62),
    16: (8.2e-5, 0.21), 25: (3.3e-4, 1.0), 31: (2.1e-4, 1.0),
    9: (1.0e-12, 0.25), 11: (1.0e-15, 0.05), 12: (1.0e-4, 1.0), 17: (5.0e-10, 0.25),
    26: (2.0e-7, 0.1), 27: (1.0e-10, 1.0),
}
# Deep-ocean traces added for the basalt titration, mol/kg (typical values in Bruland,
# K. W., Lohan, M. C., 2003, Controls of trace metals in seawater, Treatise on
# Geochemistry 6, 23-47): the run needs every component of the basalt.
SEAWATER_TRACES = {12: 1.0e-4, 26: 2.0e-6, 9: 5.0e-10, 17: 5.0e-10, 11: 2.0e-8, 27: 1.0e-10}

# A neutral sodium-chloride reservoir fluid at 250 °C (of the kind of deep geothermal
# fluids in volcanic arcs): free molalities of the aqueous solution, and the minerals it
# is saturated with, in moles; the totals are their sums.
RESERVOIR_AQ = {5: 0.052, 7: 0.0055, 10: 0.0006, 8: 0.00001, 11: 0.00001, 12: 0.0090,
                13: 0.030, 6: 0.002, 4: 0.0002}
RESERVOIR_H_AQ = 0.031     # mostly CO2,aq (+1 H+ each) and H2S,aq at pH about 6
RESERVOIR_MINERALS = {     # name: (moles, {component: coefficient})
    "Quartz": (0.10, {12: 1}),
    "Albite": (0.05, {1: -4, 2: 2, 5: 1, 11: 1, 12: 3}),
    "K-Feldspar": (0.05, {1: -4, 2: 2, 7: 1, 11: 1, 12: 3}),
    "Calcite": (0.01, {1: -1, 10: 1, 13: 1}),
}
TRIAL_RESERVOIR = {
    1: (1.0e-6, 0.7), 3: (0.055, 0.7), 4: (1.0e-4, 0.2), 5: (0.048, 0.7), 6: (3.0e-4, 0.7),
    7: (0.005, 0.7), 8: (5.0e-6, 0.3), 10: (4.0e-4, 0.3), 11: (4.0e-22, 0.05),
    12: (0.009, 1.0), 13: (6.0e-4, 0.7),
}

SEAWATER_SUPPRESSED = ("Calcite", "Aragonite", "Dolomite", "Dolomite-dis", "Dolomite-ord",
                       "Magnesite", "Huntite", "Strontianite")

# The reservoir fluid at 250 °C in equilibrium: the bulk composition above held by the
# assemblage the program finds for it at 250 °C with HYDROTHERMAL_SUPPRESSED (starting
# amounts, mol; the run settles the exact ones).
RESERVOIR_START = [("Quartz", 0.115), ("Albite", 0.041), ("K-Feldspar", 0.051), ("Calcite", 0.0079),
                   ("Mesolite", 0.004), ("Saponite-Ca", 3.3e-6)]

# Minerals kept out of the hydrothermal examples.  One form of each compound: quartz for
# silica, albite and K-feldspar for the feldspars (their polymorphs would enter beside them
# with the same stoichiometry).  The aluminium oxides and hydroxides: with the bundled data
# corundum is supersaturated by 1.2 log units in the 250 °C reservoir fluid (with quartz
# more stable than andalusite, against all field evidence) and drags the fluid to
# states the Newton iteration cannot follow.  High-temperature igneous and metamorphic
# phases (olivine, orthopyroxene, spinels, Al2SiO5, periclase, amesite) do not form in
# hydrothermal alteration at 250 °C; left in, they enter one after another as basalt
# dissolves and the solves fail.
HYDROTHERMAL_SUPPRESSED = (
    "Chalcedony", "Cristobalite(alpha)", "Cristobalite(beta)", "Tridymite", "SiO2(am)", "Coesite",
    "Albite_high", "Albite_low", "Maximum_Microcline", "Sanidine_high",
    "Corundum", "Diaspore", "Boehmite", "Gibbsite",
    "Forsterite", "Fayalite", "Enstatite", "Spinel", "Hercynite", "Andalusite", "Sillimanite",
    "Kyanite", "Periclase", "Amesite-14A",
)

# A sodium-potassium-calcium chloride brine for the pressure path (mol/kg), with a little HCl.
BRINE = {1: 1.0e-4, 5: 1.0, 7: 0.1, 10: 0.05}
TRIAL_BRINE = {1: (1.0e-4, 0.6), 3: (1.2, 0.5), 5: (1.0, 0.5), 7: (0.1, 0.5), 10: (0.05, 0.1)}


# A CO2-bearing 300 C geothermal fluid in a quartz-calcite reservoir (mol/kg of water: free
# molalities of the solution, H+ as the CO2 it holds), and the reservoir minerals it leaves.
BOILING_AQ = {5: 0.10, 10: 0.001, 12: 0.012, 13: 0.052}
BOILING_H = 0.050                 # 0.05 mol/kg CO2 (H+ + HCO3-) with 0.002 HCO3-
BOILING_MINERALS = {"Quartz": (0.020, {12: 1}), "Calcite": (0.002, {1: -1, 10: 1, 13: 1})}
TRIAL_BOILING = {1: (1.0e-6, 0.7), 3: (0.1, 0.7), 5: (0.1, 0.7), 10: (0.001, 0.3), 12: (0.012, 1.0),
                 13: (0.003, 0.7)}
# Calcium silicates that the bundled data make stable beside calcite and quartz at 250-300 C
# and low CO2 (wollastonite forms in nature above about 400 C), and the other silica phases.
BOILING_SUPPRESSED = ("Chalcedony", "Cristobalite(alpha)", "Cristobalite(beta)", "Tridymite", "SiO2(am)",
                      "Coesite", "Aragonite", "Wollastonite", "Pseudowollastonite", "Larnite", "Rankinite",
                      "Hatrurite", "Tobermorite-14A", "Tobermorite-11A", "Tobermorite-9A", "Afwillite",
                      "Foshagite", "Gyrolite", "Hillebrandite", "Okenite", "Xonotlite")

# The reservoir fluid of reservoir-250c as that run leaves it in equilibrium at 250 C
# (aqueous moles of its listing, in 0.9961871 kg of water), without its minerals; and
# seawater of the seawater example for the cold fluid, without its O2 (the hot fluid is
# reduced: redox goes through HS-) and without Sr, F and B, which the hot fluid lacks.
RESERVOIR_FLUID_KG = 0.9961871
# Silica, aluminium and calcium are taken 0.1, 1 and 1 per cent lower, so that the fluid
# starts just undersaturated with the minerals it left rather than a rounding above them.
RESERVOIR_FLUID = {1: 0.02868333, 4: 2.0e-4, 5: 0.05898689, 6: 0.002, 7: 0.004272918, 8: 1.737437e-7,
                   10: 2.554254e-5 * 0.99, 11: 1.882108e-5 * 0.99, 12: 6.047758e-3 * 0.999, 13: 0.03230104}
MIXING_SUPPRESSED = HYDROTHERMAL_SUPPRESSED + ("Dolomite", "Dolomite-dis", "Dolomite-ord", "Magnesite",
                                              "Huntite", "Aragonite")

# A reduced sodium chloride fluid at 350 C with traces of gold and silver (mol/kg of water).
# The bundled data carry gold as Au+ alone (the source has no chloride or bisulfide complex
# of gold), so gold dissolves to about 1e-15 mol/kg only: the fluid holds 3e-16.
ELECTRUM_AQ = {5: 0.5, 4: 1.0e-4, 6: 0.002, 21: 3.0e-16, 22: 3.0e-6}
ELECTRUM_H = 0.002                # H2S: H+ + HS-
TRIAL_ELECTRUM = {1: (1.0e-5, 1.0), 3: (0.5, 0.7), 4: (1.0e-4, 0.2), 5: (0.4, 0.7), 6: (1.0e-4, 0.7),
                  21: (3.0e-19, 0.7), 22: (3.0e-9, 0.7)}

# BOX-1 of 100 cm3 at 150 C: 1 mol of calcite and 40 g of pore water; the fresh fluid per kg
# of water: 0.3 mol CO2 and 0.05 mol NaCl.
FLUSH_BOX_KG = 0.04
FLUSH_PORE = {5: 0.05, 10: 0.002, 13: 0.012}
FLUSH_CALCITE = 1.0
FLUSH_FRESH = {1: 0.3, 5: 0.05, 13: 0.3}
TRIAL_FLUSH = {1: (1.0e-6, 0.8), 3: (0.05, 0.8), 5: (0.05, 0.8), 10: (0.002, 0.6), 13: (0.01, 0.8)}


def blank_params():
    return dict(ERPC=1e-12, pH=0.0, PFLUID=1.0133, TEMP=25.0, TEMPC=0.0, VBOX=0.0,
                RHOFRS=0.0, RHOROC=0.0, SINC=-5.0, SLIM=25.0, TOTMIX=0.0, ENTH=0.0,
                SENTH=0.0, DENTH=0.0, TOTWAT=90.0, SOLMIN=1e-10, RM=0.0, AQGRM=0.0,
                SUPRNT=1e-10,
                options=dict(CONFLG=0, C=3, IFRAC=0, IPUNCH=0, NLOOP=100, ISTEP=0, LIMSOL=1,
                             LOOC=0, IENTH=0, ITREF=0, IDEAL=0, IPSAT=0, INCREM=0, INCP=0,
                             MINSOL=0, NEUT=0, AWAT=0, CHGF=0),
                minerals=[], reactants=[], suppressed=[], dont_frac=[], curve=[])


OPTION_ORDER = ("CONFLG", "C", "IFRAC", "IPUNCH", "NLOOP", "ISTEP", "LIMSOL", "LOOC",
                "IENTH", "ITREF", "IDEAL", "IPSAT", "INCREM", "INCP", "MINSOL", "NEUT",
                "AWAT", "CHGF")


def run_file(title1, title2, p, rows):
    """rows: (number, name, total, molality, gamma, mixer total) in run order."""
    out = [a_field(title1, 120), a_field(title2, 120)]
    out += ["", "<  erpc  ><   pH   >< pfluid ><  temp  ><  tempc ><  volbox-1  ><rhofresh>< rhorock>"]
    out.append(" " + e_field(p["ERPC"], 9, 3)
               + "".join(" " + f_field(p[k], 9, 4) for k in ("pH", "PFLUID", "TEMP", "TEMPC"))
               + " " + g_field(p["VBOX"], 13, 8)
               + "".join(" " + g_field(p[k], 9, 4) for k in ("RHOFRS", "RHOROC")))
    out += ["", "< step increm >< step limit  >< total mixer >"]
    out.append("".join(" " + g_field(p[k], 14, 8) for k in ("SINC", "SLIM", "TOTMIX")))
    out += ["", "<  enth   ><  senth  ><  denth  ><  totwat >< solmin ><   rm   ><  aqgrm >< suprnt >"]
    out.append("".join(" " + f_field(p[k], 10, 4) for k in ("ENTH", "SENTH", "DENTH", "TOTWAT"))
               + " " + e_field(p["SOLMIN"], 9, 3)
               + "".join(" " + f_field(p[k], 9, 4) for k in ("RM", "AQGRM"))
               + " " + e_field(p["SUPRNT"], 9, 3))
    out += ["",
            "l/v:0  chg    i    i    n    i  lim         i   it    i    i   in incr  min         a  min",
            "hiP:1  bal frac punc loop step  sol looc enth  ref deal psat crem    P solv neut watr  chg"]
    out.append("".join(i_field(p["options"][k], 5) for k in OPTION_ORDER))
    out += ["", " saq> <   name   ><   total moles   >< trial molality  ><       gamma     ><mixer total moles>"]
    for number, name, total, molality, gamma, mixer in rows:
        out.append(i_field(number, 5) + " " + a_field(name[:12], 12)
                   + "".join(g_field(v, 19, 12) for v in (total, molality, gamma, mixer)))
    out += ["", "<     minerals     >  < min trial moles>"]
    for name, moles in p["minerals"]:
        out.append(a_field(name, 20) + "  " + g_field(moles, 18, 12) + " " * 8)
    out += ["", "<    reactants     >  < weight percent ><  ppm? >"]
    for name, amount in p["reactants"]:
        out.append(a_field(name, 20) + "  " + g_field(amount, 18, 12))
    out += ["", "< mins to suppress >"]
    out += [a_field(n, 20) for n in p["suppressed"]]
    out += ["", "< don't fractionate>"]
    out += [a_field(n, 20) for n in p["dont_frac"]]
    out += ["", "<  T-P curve data  >"]
    out += [f_field(t, 10, 3) + f_field(pr, 10, 3) for t, pr in p["curve"]]
    return "\n".join(out) + "\n"


def balanced_rows(comps, totals, trials, charges, water_kg=1.0, mixer=None, mixer_kg=0.0):
    """Rows in component-number order, with Cl- (3) set to make Σ z·T zero, in the totals
    and in the mixing solution's recipe (`mixer`, with `mixer_kg` of water) alike."""
    def balance(t):
        t = dict(t)
        t[3] = sum(charges[n] * v for n, v in t.items() if n != 3)    # Cl- has charge -1
        return t
    totals = balance(totals)
    mixer = balance(mixer) if mixer else {}
    rows = []
    for n in sorted(set(totals) | set(mixer) | {1, 2}):
        name = comps[n][0].strip()
        if n == 2:
            rows.append((2, name, water_kg, 1.0, 1.0, mixer_kg))
            continue
        m, g = trials[n]
        rows.append((n, name, totals.get(n, 0.0), m, g, mixer.get(n, 0.0)))
    return rows


def seawater_totals(with_traces=False):
    t = {n: c / KG_WATER for n, c in SEAWATER.items()}
    t[1] = SEAWATER_H / KG_WATER
    if with_traces:
        t.update(SEAWATER_TRACES)
    return t


def reservoir_totals():
    t = dict(RESERVOIR_AQ)
    t[1] = RESERVOIR_H_AQ
    for moles, nu in RESERVOIR_MINERALS.values():
        for n, c in nu.items():
            if n != 2:
                t[n] = t.get(n, 0.0) + c * moles
    return t


def examples(comps, charges):
    ex = {}
    p = blank_params()
    p.update(TEMP=25.0, PFLUID=1.0133, SINC=-5.0, SLIM=25.0, suppressed=list(SEAWATER_SUPPRESSED))
    ex["seawater"] = run_file(
        "Seawater at 25 C: speciation and saturation state of reference-composition seawater",
        "Millero et al. (2008) composition per kg of water, Br as Cl, air-saturated O2; "
        "non-precipitating carbonates suppressed", p, balanced_rows(comps, seawater_totals(), TRIAL_SEAWATER, charges))

    res = reservoir_totals()
    p = blank_params()
    p.update(TEMP=250.0, PFLUID=50.0, SINC=-5.0, SLIM=250.0, minerals=list(RESERVOIR_START),
             suppressed=list(HYDROTHERMAL_SUPPRESSED))
    p["options"].update(IPSAT=1, ITREF=2)
    ex["reservoir-250c"] = run_file(
        "Geothermal reservoir fluid at 250 C and 50 bar saturated with quartz, calcite, albite and K-feldspar",
        "Na-Cl fluid with CO2 and H2S; redox through HS-; saturation pressure of the dissolved gases reported",
        p, balanced_rows(comps, res, TRIAL_RESERVOIR, charges))

    p = blank_params()
    p.update(TEMP=250.0, PFLUID=50.0, SINC=-5.0, SLIM=100.0, minerals=list(RESERVOIR_START),
             suppressed=list(HYDROTHERMAL_SUPPRESSED), curve=[(100.0, 10.0), (250.0, 50.0)])
    p["options"].update(IFRAC=1, ITREF=2, IPUNCH=1)
    ex["cooling-250-to-100c"] = run_file(
        "Cooling of the 250 C reservoir fluid to 100 C in 5 degree steps, solids left behind as they form",
        "Starts in equilibrium with quartz, albite, K-feldspar, calcite, mesolite, saponite; 50 bar at 250 C to 10 bar at 100 C",
        p, balanced_rows(comps, res, TRIAL_RESERVOIR, charges))

    p = blank_params()
    p.update(TEMP=250.0, PFLUID=50.0, SINC=-5.0, SLIM=25.0, minerals=list(RESERVOIR_START),
             suppressed=list(HYDROTHERMAL_SUPPRESSED), curve=[(100.0, 10.0), (250.0, 50.0)])
    p["options"].update(ITREF=2, IPUNCH=1)
    ex["cooling-closed-250-to-25c"] = run_file(
        "Closed-system cooling of the 250 C reservoir fluid to 25 C in 5 degree steps, solids kept with the fluid",
        "Starts in equilibrium with quartz, albite, K-feldspar, calcite, mesolite, saponite; 50 bar at 250 C, 10 bar below 100 C",
        p, balanced_rows(comps, res, TRIAL_RESERVOIR, charges))

    p = blank_params()
    p.update(TEMP=250.0, PFLUID=300.0, SINC=1.0, SLIM=100.0, RHOROC=2.9, SOLMIN=-1e-10,
             reactants=[("MORB", 100.0)], suppressed=list(HYDROTHERMAL_SUPPRESSED))
    p["options"].update(MINSOL=1, LOOC=1, ITREF=2, IPUNCH=1)
    ex["basalt-seawater-250c"] = run_file(
        "Titration of mid-ocean-ridge basalt into seawater at 250 C and 300 bar, 1 g steps up to 100 g per kg water",
        "Seawater of the seawater example with deep-ocean traces of Si, P, Fe, Mn, Al, Ti; MORB of Gale et al. (2013)",
        p, balanced_rows(comps, seawater_totals(True), TRIAL_SEAWATER, charges))

    p = blank_params()
    p.update(pH=8.0, TEMP=25.0, PFLUID=1.0133, SINC=0.1, SLIM=10.0, suppressed=list(SEAWATER_SUPPRESSED))
    p["options"].update(C=5, IPUNCH=1)
    ex["ph-path"] = run_file(
        "Alkalinisation of seawater at 25 C: pH 8.0 to 10.0 in steps of 0.1, Na+ balancing the charge (NaOH added)",
        "Seawater of the seawater example; the non-precipitating carbonates suppressed as there",
        p, balanced_rows(comps, seawater_totals(), TRIAL_SEAWATER, charges))

    p = blank_params()
    p.update(TEMP=300.0, PFLUID=100.0, SINC=100.0, SLIM=1000.0)
    p["options"].update(CONFLG=1, INCP=1, ITREF=2, IPUNCH=1)
    ex["pressure-path"] = run_file(
        "Compression of a Na-K-Ca-Cl brine at 300 C from 100 to 1000 bar in 100 bar steps, extended P-T grid",
        "1 mol/kg NaCl, 0.1 KCl, 0.05 CaCl2 and 1e-4 HCl: activity coefficients and water activity against pressure",
        p, balanced_rows(comps, BRINE, TRIAL_BRINE, charges))
    t = dict(BOILING_AQ)
    t[1] = BOILING_H
    for moles, nu in BOILING_MINERALS.values():
        for n, c in nu.items():
            t[n] = t.get(n, 0.0) + c * moles
    p = blank_params()
    p.update(TEMP=300.0, PFLUID=80.0, SINC=-10.0, SLIM=100.0, minerals=[(m, v[0]) for m, v in BOILING_MINERALS.items()],
             suppressed=list(BOILING_SUPPRESSED))
    p["options"].update(IFRAC=3, IENTH=1, IPUNCH=1)
    ex["boiling-300c"] = run_file(
        "Adiabatic boiling of a CO2-bearing 300 C geothermal fluid as it rises, 10 degree steps to 100 C",
        "Leaves its quartz-calcite reservoir at the first step; steam, CO2 and scale left behind as they form (IFRAC 3)",
        p, balanced_rows(comps, t, TRIAL_BOILING, charges))

    sw = seawater_totals(True)
    sw = {n: v for n, v in sw.items() if n in (1, 4, 5, 7, 8, 10, 11, 12, 13)}
    trials = {n: (max(v / RESERVOIR_FLUID_KG, 1e-20), TRIAL_RESERVOIR[n][1]) for n, v in RESERVOIR_FLUID.items()}
    trials[1] = TRIAL_RESERVOIR[1]
    trials[3] = TRIAL_RESERVOIR[3]
    p = blank_params()
    p.update(TEMP=250.0, PFLUID=50.0, TEMPC=25.0, SINC=0.1, SLIM=2.0, suppressed=list(MIXING_SUPPRESSED))
    p["options"].update(LOOC=1, IPUNCH=1)
    ex["mixing-hot-cold"] = run_file(
        "The 250 C reservoir fluid mixed with cold seawater (25 C), 0.1 kg of seawater per kg of fluid and step, to 2 kg",
        "Reservoir fluid as reservoir-250c leaves it at equilibrium; seawater of the seawater example without O2, Sr, F, B",
        p, balanced_rows(comps, RESERVOIR_FLUID, trials, charges, water_kg=RESERVOIR_FLUID_KG, mixer=sw,
                         mixer_kg=1.0))

    t = dict(ELECTRUM_AQ)
    t[1] = ELECTRUM_H
    p = blank_params()
    p.update(TEMP=350.0, PFLUID=200.0, SINC=-10.0, SLIM=150.0)
    p["options"].update(IPUNCH=1)
    ex["electrum"] = run_file(
        "Cooling of a reduced Na-Cl fluid with traces of gold and silver from 350 to 150 C: electrum precipitates",
        "0.5 mol/kg NaCl, 2 mmol/kg H2S, 0.1 mmol/kg SO4; Au 3e-16, Ag 3e-6 mol/kg; 200 bar, 10 degree steps",
        p, balanced_rows(comps, t, TRIAL_ELECTRUM, charges))

    t = {n: v * FLUSH_BOX_KG for n, v in FLUSH_PORE.items()}
    t[10] += FLUSH_CALCITE
    t[13] += FLUSH_CALCITE
    t[1] = -FLUSH_CALCITE + 0.01 * FLUSH_BOX_KG
    p = blank_params()
    p.update(TEMP=150.0, PFLUID=10.0, VBOX=100.0, RHOFRS=0.92, SINC=0.5, SLIM=600.0,
             minerals=[("Calcite", FLUSH_CALCITE)], suppressed=["Aragonite"])
    p["options"].update(IFRAC=5, IPUNCH=1)
    ex["flushing-calcite-co2"] = run_file(
        "Flushing of a calcite box at 150 C and 10 bar with CO2-charged water, half the pore volume per step",
        "BOX-1 of 100 cm3: 1 mol calcite, 40 g pore water; fresh fluid 0.3 mol/kg CO2, 0.05 NaCl; the gas leaves",
        p, balanced_rows(comps, t, TRIAL_FLUSH, charges, water_kg=FLUSH_BOX_KG, mixer=FLUSH_FRESH, mixer_kg=1.0))
    return ex


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("-e", "--examples", default=os.path.join(here, "..", "examples"))
    ap.add_argument("-d", "--database", default=os.path.join(here, "..", "data", "DORNEVAL.QVD"))
    args = ap.parse_args(argv)
    qvd = reader.read(args.database)
    comps = qvd.components
    charges = {n: int(c[1]) for n, c in comps.items()}
    for name, text in examples(comps, charges).items():
        folder = os.path.join(args.examples, name)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "ZARNRUN.DAT"), "w", encoding="ascii", newline="\n") as f:
            f.write(text)
        print(os.path.relpath(os.path.join(folder, "ZARNRUN.DAT")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
