#!/usr/bin/python3
"""The figure of the sweeps chapter, from the gathered table of the reservoir sweep.

    /usr/bin/python3 plot_sweep.py SWEEP/results.csv reservoir-co2.png

Left: every case at its temperature and carbonate total, as it ended. Right, when the
table holds the runs' per-step columns: the pH of the final step against temperature, one
line per carbonate total.
"""
import csv
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

rows = list(csv.DictReader(open(sys.argv[1], newline="")))
ph = "step:pH" if rows and "step:pH" in rows[0] else "pH"  # "step:" when the sweep sets pH
has_ph = any(r.get(ph) for r in rows)
fig, axes = plt.subplots(1, 2 if has_ph else 1, figsize=(9 if has_ph else 5.5, 4), squeeze=False)

ax = axes[0][0]
for status, marker, colour in (("ok", "o", "tab:blue"), ("failed", "x", "tab:red")):
    pts = [(float(r["TEMP"]), 1000 * float(r["total:HCO3-"])) for r in rows if r["case_status"] == status]
    if pts:
        ax.scatter(*zip(*pts), marker=marker, color=colour, label=f"{status} ({len(pts)} cases)")
ax.set_xlabel("Temperature TEMP (°C)")
ax.set_ylabel("HCO3- total (mmol per kg of water)")
ax.set_title("How each case ended")
ax.legend(loc="upper center", bbox_to_anchor=(0.5, -0.18), ncol=2, frameon=False)

if has_ph:
    ax = axes[0][1]
    for co2 in sorted({r["total:HCO3-"] for r in rows}, key=float):
        line = sorted((float(r["TEMP"]), float(r[ph])) for r in rows if r["total:HCO3-"] == co2 and r[ph])
        ax.plot(*zip(*line), marker=".", label=f"{1000 * float(co2):g} mmol/kg")
    ax.set_xlabel("Temperature TEMP (°C)")
    ax.set_ylabel("pH at temperature")
    ax.set_title("pH of the final step")
    ax.legend(title="HCO3- total", loc="upper left", bbox_to_anchor=(1.02, 1), frameon=False)

fig.tight_layout()
fig.savefig(sys.argv[2], dpi=90)
