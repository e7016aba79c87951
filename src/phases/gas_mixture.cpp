#include "phases/gas_mixture.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/power_of_ten.h"
#include "base/run_params.h"
#include "base/units.h"
#include "format/record_layout.h"
#include "format/text_io.h"
#include "phases/enthalpy.h"
#include "phases/solid_solution.h"
#include "solver/equilibrium_state.h"
#include "solver/linear_solver.h"
#include "solver/newton.h"
#include "thermo/conditions.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

constexpr double LOG10E = 0.43429448190325176;  // d log10(P) / dP = LOG10E / P
constexpr double LN_PHI_MIN = 1e-10;            // |ln phi| outside [LN_PHI_MIN, LN_PHI_MAX]: phi kept
constexpr double LN_PHI_MAX = 10.0;
constexpr double TRACE_GAS = 1e-23;  // a gas of the mixing rules at or below this amount counts as absent
// Gas constant (kcal/(mol K)) of the enthalpy's pressure correction: with the mixing rules,
// and with each gas's own coefficients.
constexpr double R_MIXING = 0.001984;
constexpr double R_OWN = 0.001987;
constexpr double REFERENCE_P = 1.0;  // bar: the molar enthalpies of the gases hold at it
constexpr int BOILING_PASSES = 50;   // fixed-point passes of P = f / phi(P) for pure steam

// The second and third virial values of the gases with cross coefficients (1 H2O, 2 CO2,
// 3 CH4), symmetric in their indexes, each made of its temperature-function triple by
// `value`.
struct VirialSet {
    double B[4][4]{};
    double C[4][4][4]{};
};

template <class Value>
VirialSet virial_set(const ChemicalSystem& sys, int n, Value value) {
    VirialSet v;
    for (int i = 1; i <= n; ++i) {
        v.B[i][i] = value(sys.mn[i].eos_a);
        v.C[i][i][i] = value(sys.mn[i].eos_b);
    }
    auto pair = [&](int i, int j, int k) { v.B[i][j] = v.B[j][i] = value(sys.cross[k]); };
    auto triple = [&](int i, int j, int l, int k) {
        const double c = value(sys.cross[k]);
        const int idx[3] = {i, j, l};
        for (int p = 0; p < 3; ++p)
            for (int q = 0; q < 3; ++q)
                for (int r = 0; r < 3; ++r)
                    if (p != q && q != r && p != r) v.C[idx[p]][idx[q]][idx[r]] = c;
    };
    // The file's order: B12, B13, B23, C112, C122, C113, C133, C223, C233, C123.
    pair(1, 2, 1);
    triple(1, 1, 2, 4);
    triple(1, 2, 2, 5);
    if (n >= 3) {
        pair(1, 3, 2);
        pair(2, 3, 3);
        triple(1, 1, 3, 6);
        triple(1, 3, 3, 7);
        triple(2, 2, 3, 8);
        triple(2, 3, 3, 9);
        triple(1, 2, 3, 10);
    }
    return v;
}

// The mole fractions of the first n gases among themselves; a gas at or below TRACE_GAS
// counts as absent.
std::array<double, 4> mixing_fractions(const EquilibriumState& eq, int n) {
    std::array<double, 4> y{};
    double sum = 0;
    for (int i = 1; i <= n; ++i) {
        const double v = eq.gas.y[i];
        y[static_cast<std::size_t>(i)] = v > TRACE_GAS ? v : 0.0;
        sum += y[static_cast<std::size_t>(i)];
    }
    for (int i = 1; i <= n && sum > 0; ++i) y[static_cast<std::size_t>(i)] /= sum;
    return y;
}

// The partial coefficients of gas i in a mixture of fractions y: 2 sum_j y(j) B(ij) - B(mix)
// and 3 sum_jk y(j) y(k) C(ijk) - 2 C(mix).
void mixing_rules(const VirialSet& v, int n, const std::array<double, 4>& y, std::array<double, 4>& a,
                  std::array<double, 4>& b) {
    double bmix = 0, cmix = 0;
    for (int i = 1; i <= n; ++i) {
        const auto iu = static_cast<std::size_t>(i);
        double sb = 0, sc = 0;
        for (int j = 1; j <= n; ++j) {
            const auto ju = static_cast<std::size_t>(j);
            sb += y[ju] * v.B[i][j];
            for (int k = 1; k <= n; ++k) sc += y[ju] * y[static_cast<std::size_t>(k)] * v.C[i][j][k];
        }
        a[iu] = sb;
        b[iu] = sc;
        bmix += y[iu] * sb;
        cmix += y[iu] * sc;
    }
    for (int i = 1; i <= n; ++i) {
        const auto iu = static_cast<std::size_t>(i);
        a[iu] = 2.0 * a[iu] - bmix;
        b[iu] = 3.0 * b[iu] - 2.0 * cmix;
    }
}

// The enthalpy row: see set_gas_phase_hooks.
void enthalpy_row(const ChemicalSystem& sys, const RunParams& rp, const EquilibriumState& eq, LinearSystem& ls,
                  int row) {
    const double hw = eq.gas.h_water;
    const int ne = enthalpy_gases(sys);
    double f = eq.water_kg * WATER_MOLES_PER_KG * hw - rp.ENTH;
    double dfdp = 0;
    bool mixed_in_matrix = false;
    for (int p = 1; p <= eq.nph; ++p) {
        const int g = eq.ph[p];
        const int col = row + p;
        if (g <= ne) {
            const double n = eq.mn_moles[g];
            f += eq.gas.h[g] * n;
            ls.A(row, col) = eq.gas.h[g];
            dfdp += eq.gas.dhdp[g] * n;
        }
        if (g <= sys.nmixed) {
            ls.A(col, row) = -LOG10E / rp.PFLUID;  // log K of a mixed gas holds log10 P
            mixed_in_matrix = true;
        }
    }
    if (!mixed_in_matrix) {
        // Nothing in the system depends on the pressure: it holds (dP = 0).
        for (int j = 1; j <= ls.n; ++j) ls.A(row, j) = 0.0;
        ls.A(row, row) = 1.0;
        ls.f[row] = 0.0;
        return;
    }
    ls.f[row] = f;
    ls.A(row, 2) = WATER_MOLES_PER_KG * hw;
    ls.A(row, row) = dfdp;
}

void update_pressure(const ChemicalSystem& sys, Conditions& cond, RunParams& rp, EquilibriumState& eq,
                     double correction) {
    double p = std::min(MAX_GAS_PRESSURE, rp.PFLUID + correction);
    if (sys.nmixed >= 1) {
        // Not below the vapour pressure of ideal steam over the solution.
        const double floor = power_of_ten(-cond.mn_logk_raw[1]) * eq.gamma[2];
        if (!(p >= floor)) p = floor;
    }
    rp.PFLUID = p;
    gas_enthalpies(sys, cond, rp, p, eq);
    cond.logP = std::log10(p);
    for (int i = 1; i <= sys.nmixed; ++i) cond.mn_logk[i] = cond.mn_logk_raw[i] + cond.logP;
}

void refresh_gas_mixture(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, EquilibriumState& eq) {
    if (!gas_mixture_present(sys, eq)) return;
    const int b = eq.phase[1].ss_present;
    const double cap = rp.TOTWAT / 100.0 * eq.comp[2].total;
    if (eq.mn_moles[1] > cap) eq.mn_moles[1] = cap;
    double total = 0;
    for (int p = 1; p <= eq.nph; ++p)
        if (eq.phase[eq.ph[p]].ss_present == b) total += eq.mn_moles[eq.ph[p]];
    eq.ss.total[b] = total;
    for (int i = 1; i <= sys.nmixed; ++i)
        eq.gas.y[i] = eq.phase[i].ss_present == b && total != 0 ? eq.mn_moles[i] / total : 0.0;
    if (rp.IDEAL <= 1) fugacity_coefficients(sys, cond, rp, rp.PFLUID, eq);
}

}  // namespace

int enthalpy_gases(const ChemicalSystem& sys) {
    if (sys.ngasmix >= 2) return sys.ngasmix;
    return sys.nmixed >= 1 && sys.mn[1].name == Name20("H2O,gas") ? 1 : 0;
}

bool gas_mixture_present(const ChemicalSystem& sys, const EquilibriumState& eq) {
    return sys.nmixed >= 1 && eq.phase[1].ss_present != 0;
}

void fugacity_coefficients(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, double p,
                           EquilibriumState& eq) {
    const int nvir = rp.IDEAL == 0 ? sys.ngasmix : 0;
    if (nvir != 0) {
        const VirialSet v =
            virial_set(sys, nvir, [&](const std::array<double, 3>& c) { return temperature_function(c, cond.TK); });
        std::array<double, 4> a{}, b{};
        mixing_rules(v, nvir, mixing_fractions(eq, nvir), a, b);
        for (int i = 1; i <= nvir; ++i) {
            eq.gas.a[i] = a[static_cast<std::size_t>(i)];
            eq.gas.b[i] = b[static_cast<std::size_t>(i)];
        }
    }
    for (int i = nvir + 1; i <= sys.nmixed; ++i) {
        eq.gas.a[i] = cond.eos_a_t[i];
        eq.gas.b[i] = cond.eos_b_t[i];
    }
    for (int i = 1; i <= sys.nmixed; ++i) {
        const double ln_phi = (eq.gas.a[i] + eq.gas.b[i] * p / 2.0) * p;
        const double m = std::fabs(ln_phi);
        if (m >= LN_PHI_MIN && m <= LN_PHI_MAX) eq.phase[i].lambda = std::exp(ln_phi);
    }
}

void incipient_gas_coefficients(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp,
                                EquilibriumState& eq) {
    if (sys.nmixed == 0 || rp.IDEAL > 1 || gas_mixture_present(sys, eq)) return;
    double sum = 0;
    for (int i = 1; i <= sys.nmixed; ++i) sum += power_of_ten(eq.phase[i].log_fugacity);
    if (!(sum > 0)) return;
    for (int i = 1; i <= sys.nmixed; ++i) eq.gas.y[i] = power_of_ten(eq.phase[i].log_fugacity) / sum;
    const double boiling = water_boiling_pressure(sys, cond, rp);
    fugacity_coefficients(sys, cond, rp, boiling > 0 ? std::min(rp.PFLUID, boiling) : rp.PFLUID, eq);
}

void gas_enthalpies(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp, double p,
                    EquilibriumState& eq) {
    const int ne = enthalpy_gases(sys);
    const double tk = cond.TK;
    // -T^2 d/dT of c1/T^2 + c2/T + c3.
    auto derivative = [tk](const std::array<double, 3>& c) { return 2.0 * c[0] / tk + c[1]; };
    std::array<double, 4> k{}, l{};
    double r = R_OWN;
    if (rp.IDEAL == 0 && sys.ngasmix >= 2 && eq.gas.y[1] != 0.0) {
        mixing_rules(virial_set(sys, sys.ngasmix, derivative), sys.ngasmix, mixing_fractions(eq, sys.ngasmix), k, l);
        r = R_MIXING;
    } else {
        for (int i = 1; i <= ne; ++i) {
            k[static_cast<std::size_t>(i)] = derivative(sys.mn[i].eos_a);
            l[static_cast<std::size_t>(i)] = derivative(sys.mn[i].eos_b);
        }
    }
    for (int i = 1; i <= ne; ++i) {
        const auto iu = static_cast<std::size_t>(i);
        double h = gas_molar_enthalpy(static_cast<EnthalpyGas>(i), rp.TEMP);
        double dhdp = 0;
        if (rp.IDEAL < 2) {
            h += (0.5 * l[iu] * (p * p - REFERENCE_P) + k[iu] * (p - REFERENCE_P)) * r;
            dhdp = (p * l[iu] + k[iu]) * r;
        }
        eq.gas.h[i] = h;
        eq.gas.dhdp[i] = dhdp;
    }
}

void set_gas_phase_hooks(NewtonHooks& hooks, const ChemicalSystem& sys, Conditions& cond, RunParams& rp,
                         EquilibriumState& eq) {
    hooks.enthalpy_row = [&sys, &rp, &eq](LinearSystem& ls, int row) { enthalpy_row(sys, rp, eq, ls, row); };
    hooks.update_pressure = [&sys, &cond, &rp, &eq](double d) { update_pressure(sys, cond, rp, eq, d); };
    hooks.refresh_gas_mixture = [&sys, &cond, &rp, &eq] { refresh_gas_mixture(sys, cond, rp, eq); };
}

double water_boiling_pressure(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp) {
    if (sys.nmixed == 0 || sys.mn[1].name != Name20("H2O,gas")) return 0.0;
    const double f = power_of_ten(-cond.mn_logk_raw[1]);
    if (rp.IDEAL >= 2) return f;
    double p = f;
    for (int k = 0; k < BOILING_PASSES; ++k) {
        const double ln_phi = (cond.eos_a_t[1] + cond.eos_b_t[1] * p / 2.0) * p;
        if (std::fabs(ln_phi) > LN_PHI_MAX) break;
        p = f / std::exp(ln_phi);
    }
    return std::min(p, MAX_GAS_PRESSURE);
}

void explain_boiling_failure(const ChemicalSystem& sys, const Conditions& cond, const RunParams& rp,
                             const EquilibriumState& eq, bool enthalpy_row, Io& io) {
    if (enthalpy_row || sys.nmixed == 0 || matrix_position(eq, 1) == 0) return;
    const double boiling = water_boiling_pressure(sys, cond, rp);
    if (!(rp.PFLUID < boiling)) return;
    io.both(layout(R"(/ "  PFLUID = " [F10.4] " bar is below the boiling pressure of water at " [F8.3] " C,")"
                   R"( / [2X] [F10.4] " bar: the water of the solution boils away, and no liquid is left.")"
                   R"( / "  Give PFLUID at least the boiling pressure, or set IENTH = 1 to let the pressure follow")"
                   R"( / "  the boiling curve with the enthalpy balance." /)",
                   {rp.PFLUID, rp.TEMP, boiling}));
}

std::pair<double, double> gas_volume_coefficients(const ChemicalSystem& sys, const RunParams& rp,
                                                  const EquilibriumState& eq, int phase) {
    if (rp.IDEAL >= 2 || phase > sys.nmixed || sys.mn[phase].jsols != MIXED_GAS_JSOLS) return {0.0, 0.0};
    return {eq.gas.b[phase], eq.gas.a[phase]};
}

}  // namespace zq
