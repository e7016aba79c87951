"""Writer of DORNEVAL.QVD in the database's fixed-column layout.

File order: preamble (ended by the marker line, asterisks in columns 13-20), two skipped
lines, the five header grids (37 rows of 36 values, each grid followed by two skipped
lines), one skipped line, the component lines, a line with blank columns 1-8, the derived
species records, a record with a blank name, the ten gas-mixture lines, one skipped line,
the mineral and gas records, and a record with a blank name.

Record lines:
  component     [A20][F2.0][6X][F3.2][8X][F8.4][F8.4]
  species  1    [A20][T81][A4][T91][A4]             name, flag, data kind
           2    [8X][F3.0][15X][F5.2][10X][F6.3]    charge, size (radius), third value
           3    [I2][1X]12[[F10.3][I2]]            ITOT, coefficient and component pairs
  mineral  1    [A20][T67][I2][F8.3][T81][A4][T91][A4]   name, JSOLS, n, flag, data kind
           2    [T14][F8.3][T59][F6.3]              gram formula weight, density
           3    [I3]12[[F9.3][I3]]                 ITOT, coefm and specm pairs
           (JSOLS 6) [4X][6F12.5]                   a1 a2 a3 b1 b2 b3
  gas mixture   [8X][E12.5][E12.5][E12.5]
  log K ("L-V ") one line of 8 values, 25 ... 350 °C, 99999.999 where absent.
Every record starts with a skipped line, here a description of where it comes from.
"""
from . import ionsize
from .fixed import a_field, e_field, f_field, i_field
from .logk import NO_DATA

MARKER = "*" * 72
DATA_KIND = "L-V "


def _line1_species(name, flag="", kind=DATA_KIND, note=""):
    text = a_field(name, 20) + "  " + note[:58]
    return text.ljust(80) + a_field(flag, 4) + " " * 6 + kind


def _line1_mineral(name, jsols, n, flag, kind=DATA_KIND, note=""):
    text = (a_field(name, 20) + "  " + note[:44]).ljust(66)
    text += i_field(jsols, 2) + f_field(n, 8, 3)
    return text.ljust(80) + a_field(flag, 4) + " " * 6 + kind


def logk_line(values):
    return "".join(" " + f_field(NO_DATA if v is None else v, 9, 3) for v in values)


def grid_lines(grid, digits):
    return [" ".join(f_field(v, digits + 5, digits).strip() for v in row) for row in grid]


def component_line(number, name, charge, size, gfw, note=""):
    line = a_field(name, 20) + i_field(charge, 2) + " " * 6 + ionsize.component_field(size, charge)
    line += " " * 8 + f_field(gfw, 8, 4) + f_field(0.0, 8, 4)
    return line + f"   {number:2d}  {note}".rstrip()


def reaction_pairs(nu, coef_width, num_width):
    out = ""
    for number in sorted(nu):
        out += f_field(nu[number], coef_width, 3) + i_field(number, num_width)
    return out


def species_record(entry, note):
    lines = [note]
    lines.append(_line1_species(entry.name, entry.flag, note=_basis_note(entry)))
    size = ionsize.species_field(entry.size, entry.charge)
    lines.append(" " * 8 + i_field(entry.charge, 3) + " " * 15 + f_field(size, 5, 2)
                 + " " * 10 + f_field(0.0, 6, 3))
    lines.append(i_field(len(entry.nu), 2) + " " + reaction_pairs(entry.nu, 10, 2))
    lines.append(logk_line(entry.logk.values))
    return lines


def mineral_record(entry, note):
    lines = [note]
    lines.append(_line1_mineral(entry.name, entry.jsols, entry.site_n, entry.flag,
                                note=_basis_note(entry)))
    lines.append((" " * 13 + f_field(entry.gfw, 8, 3)).ljust(58) + f_field(entry.density, 6, 3))
    lines.append(i_field(len(entry.nu), 3) + reaction_pairs(entry.nu, 9, 3))
    if entry.jsols == 6:
        eos = entry.eos or (0.0,) * 6
        lines.append(" " * 4 + "".join(e_field(v, 12, 5) for v in eos))
    lines.append(logk_line(entry.logk.values))
    return lines


def _basis_note(entry):
    return {"both": "", "O2": "O2,aq basis", "HS": "HS- basis"}[entry.mode]


def write(path, preamble, grids, grid_captions, components, species, cross, minerals):
    """grids: five 37 × 36 lists with their decimal counts, grid_captions: five pairs of
    lines; components: list of component-line strings; species/minerals: lists of
    (entry, note); cross: ten (label, (c1, c2, c3))."""
    out = list(preamble)
    out.append(MARKER)
    out.extend(grid_captions[0])
    for g, ((grid, digits), caption) in enumerate(zip(grids, grid_captions)):
        out.extend(grid_lines(grid, digits))
        if g + 1 < len(grids):
            out.extend(grid_captions[g + 1])
        else:
            out.append("End of header grids.")
            out.append("")
    out.append("Component species: name, charge, radius (A; F3.2, '219' reads 2.19), gram formula weight, unused; number")
    out.extend(components)
    out.append("")
    for entry, note in species:
        out.extend(species_record(entry, note))
    out.append("End of derived species.")
    out.append("")
    for label, coef in cross:
        out.append(a_field(label, 8) + "".join(e_field(c, 12, 5) for c in coef))
    out.append("Minerals and gases: hydrolysis reactions; the mixed gases H2O, CO2, CH4 first.")
    for entry, note in minerals:
        out.extend(mineral_record(entry, note))
    out.append("End of minerals and gases.")
    out.extend(["", "", ""])
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(out) + "\n")
