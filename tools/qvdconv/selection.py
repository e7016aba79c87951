"""What the bundled database takes from the source: the component basis, the elements,
the records left out on purpose, the names given to records, and the solid solutions."""
from .basis import Component

# Database component numbers 1 H+, 2 H2O, 3 Cl-, 4 SO4--, 6 HS-, 10 Ca++, 31 O2,aq and
# 45-48 have a fixed meaning in the program; the others are this database's choice.
COMPONENTS = (
    Component(1, "H+", "H+"),
    Component(2, "H2O", "H2O"),
    Component(3, "Cl-", "Cl-"),
    Component(4, "SO4--", "SO4-2"),
    Component(5, "Na+", "Na+"),
    Component(6, "HS-", "HS-"),
    Component(7, "K+", "K+"),
    Component(8, "Mg++", "Mg+2"),
    Component(9, "Fe++", "Fe+2"),
    Component(10, "Ca++", "Ca+2"),
    Component(11, "Al+++", "Al+3"),
    Component(12, "SiO2,aq", "SiO2"),
    Component(13, "HCO3-", "HCO3-"),
    Component(14, "F-", "F-"),
    Component(15, "Ba++", "Ba+2"),
    Component(16, "Sr++", "Sr+2"),
    Component(17, "Mn++", "Mn+2"),
    Component(18, "Cu+", "Cu+"),
    Component(19, "Zn++", "Zn+2"),
    Component(20, "Pb++", "Pb+2"),
    Component(21, "Au+", "Au+"),
    Component(22, "Ag+", "Ag+"),
    Component(23, "NO3-", "NO3-"),
    Component(24, "Li+", "Li+"),
    Component(25, "B(OH)3,aq", "B(OH)3"),
    Component(26, "HPO4--", "HPO4-2"),
    Component(27, "Ti(OH)4,aq", "Ti(OH)4"),
    Component(28, "H2AsO4-", "H2AsO4-"),
    Component(31, "O2,aq", "O2"),
    # Decoupled redox components: a run that lists one of them holds that species apart
    # from the redox equilibrium (the reader then suppresses the coupled species).
    Component(45, "CH4,aq!", "CH4", reaction=False),
    Component(46, "H2,aq!", "H2", reaction=False),
    Component(47, "N2,aq!", "N2", reaction=False),
    Component(48, "NH3,aq!", "NH3", reaction=False),
)

# Lines of the component section that no component uses: the section ends at the first
# line with blank columns 1-8, so every number up to 48 needs a non-blank line.
UNASSIGNED_NAME = "(unassigned)"

# Element weights of the source, with one correction: the source gives 15.994 for O, a
# misprint of 15.9994 (IUPAC), which would put water at 18.0098 g/mol instead of 18.0152.
WEIGHT_CORRECTIONS = {"O": 15.9994}

# Dissolved gases given the salting-out coefficient of CO2 by the source ("-CO2_llnl_gamma")
# get ion size 10 Å, which the program's activity model reads as "dissolved gas".
GAS_ION_SIZE = 10.0

# Mineral names of the source that are element symbols get the mineral's name; names over
# the 20 columns of the database are shortened.
RENAMES = {"Ag": "Silver", "Au": "Gold", "Cu": "Copper", "Fe": "Iron", "Pb": "Lead",
           "Zn": "Zinc", "S": "Sulfur", "C": "Graphite",
           "Clinoptilolite-dehy-Ca": "Clinoptil-dehy-Ca", "Clinoptilolite-dehy-K": "Clinoptil-dehy-K",
           "Clinoptilolite-dehy-NH4": "Clinoptil-dehy-NH4", "Clinoptilolite-dehy-Na": "Clinoptil-dehy-Na",
           "Clinoptilolite-dehy-Sr": "Clinoptil-dehy-Sr",
           "Mg1.25SO4(OH)0.5:0.5H2O": "Mg1.25SO4OH.5:.5H2O"}

# The mixed gases (JSOLS 6), in the order the program needs: H2O first, then CO2, CH4.
MIXED_GASES = {"H2O(g)": "H2O", "CO2(g)": "CO2", "CH4(g)": "CH4"}

# Solid solutions: source name → (JSOLS, site multiplicity n).  Electrum is JSOLS 10 with
# gold first; olivine mixes Mg and Fe on two octahedral sites (a = X²); epidote mixes Fe+3
# and Al on one site.
SOLID_SOLUTIONS = {
    "Au": (10, 1.0), "Ag": (10, 1.0),
    "Forsterite": (1, 2.0), "Fayalite": (1, 2.0),
    "Clinozoisite": (2, 1.0), "Epidote": (2, 1.0),
}


def is_organic(counts):
    """Carbon is kept as carbonate, CO2, CO, CH4 and graphite; anything else holding
    carbon (C-C or C-H bonds) is organic and left out."""
    c = counts.get("C", 0)
    if c == 0:
        return False
    others = {k: v for k, v in counts.items() if k != "C"}
    if c == 1 and (others in ({}, {"H": 4}, {"O": 1}, {"O": 2})):
        return False
    return counts.get("O", 0) < 3 * c


def is_atomic_vapour(name, counts):
    """Gases of single atoms (Na(g), Cu(g), ...) are left out: they have no place in
    aqueous systems."""
    return name.endswith("(g)") and len(counts) == 1 and list(counts.values())[0] == 1
