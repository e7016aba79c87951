#include "solver/activity.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/power_of_ten.h"
#include "base/run_params.h"
#include "base/units.h"
#include "solver/equilibrium_state.h"
#include "thermo/conditions.h"
#include "thermo/system_tables.h"

namespace zq {

namespace {

constexpr double LN10 = 2.3025851;  // as used by the osmotic model
constexpr double BAR_TO_ATM = 0.9869232667160128;
// Moles of water per kilogram in the mole fractions the H2O-CO2-NaCl equation of state is
// given (1000 / 18.0153, rounded to the digits its fit was made with), not the program-wide
// WATER_MOLES_PER_KG: the fluid it describes is the fit's.
constexpr double WATER_MOLES_EOS = 55.5084;
// Kilograms of water per mole in the mole-fraction-to-molality term of the activity
// coefficients (18.01528 g/mol, the molar mass of water) and in the water activity from
// the osmotic coefficient (18.01534 g/mol, the value the osmotic fits were made with).
constexpr double WATER_KG_PER_MOLE = 0.01801528;
constexpr double WATER_KG_PER_MOLE_OSMOTIC = 0.01801534;

// Born coefficient factor eta = 1.66027e5 A cal/mol (Helgeson & Kirkham 1976), giving the
// b-dot term 166027 * z^2 * kB / r with kB from header quantity 3.
constexpr double ETA = 166027.0;

// ½ Σ z^2 * molality over the component species 3..NC, molalities from the aqueous moles
// (actmodel.naq) and the moles of liquid water naq(2). No charged component, no water or
// fewer than three components leave a trace sum of 1e-10.
double stoichiometric_ionic_strength(const ChemicalSystem& cs, const EquilibriumState& eq) {
    const ActivityModelState& st = eq.actmodel;
    double sum = 0.0;
    const double water = cs.nc >= 2 ? st.naq[2] : 0.0;
    if (water > 0.0)
        for (int k = 3; k <= cs.nc; ++k) {
            const double z = cs.sp[k].charge;
            sum += z * z * st.naq[k] * WATER_MOLES_PER_KG / water;
        }
    if (cs.nc < 3 || !(sum > 0.0)) sum = 1e-10;
    return 0.5 * sum;
}

// Mole fractions (CO2, H2O, NaCl) of the H2O-CO2-NaCl fluid the equation of state sees:
// the salt as I_st moles per kg of water; without a CO2,aq species the fluid has no CO2.
std::array<double, 3> eos_fractions(const ChemicalSystem& cs, const EquilibriumState& eq, double ist) {
    const double mc = cs.slot_co2aq > 0 ? eq.m[cs.slot_co2aq] : 0.0;
    const double d = WATER_MOLES_EOS + ist + mc;
    return {mc / d, WATER_MOLES_EOS / d, ist / d};
}

// Fugacity coefficients of the solution's fluid and of pure water; the pure-water values
// are kept for the gas code.
std::array<double, 3> eos_ratio(const ChemicalSystem& cs, const Conditions& cond, const RunParams& p,
                                EquilibriumState& eq, double ist) {
    const double patm = BAR_TO_ATM * p.PFLUID;
    const std::array<double, 3> phi = MRKPHI(cond.TK, patm, eos_fractions(cs, eq, ist));
    std::array<double, 3>& phi0 = eq.actmodel.phi0;
    phi0 = MRKPHI(cond.TK, patm, {0.0, 1.0, 0.0});
    return {phi[0] / phi0[0], phi[1] / phi0[1], phi[2] / phi0[2]};
}

// Coefficient of dissolved gases (CO2 and the other flagged neutral species).
// Below 623.15 K: salting-out relation of Drummond (1981) for CO2 in NaCl solutions,
// ln gamma = (C + F T + G / T) I - (E + H T) I / (1 + I), T in K, with C = -1.0312,
// F = 0.0012806, G = 255.9, E = 0.4445, H = -0.001606 (Drummond, S. E., 1981, PhD thesis,
// Pennsylvania State University); I in mol/kg.
// From 623.15 K: ratio of the CO2 fugacity coefficient in the fluid to that at infinite
// dilution in pure water.
double gas_coefficient(const ChemicalSystem& cs, const Conditions& cond, const RunParams& p, EquilibriumState& eq) {
    if (p.NEUT == 1 || p.NEUT == 3) return 1.0;
    const double ist = eq.actmodel.I_st;  // of the previous evaluation
    const double tk = cond.TK;
    if (tk < EOS_TK)
        return std::exp((-1.0312 + 0.0012806 * tk + 255.9 / tk) * ist - (0.4445 - 0.001606 * tk) * ist / (1.0 + ist));
    return eos_ratio(cs, cond, p, eq, ist)[0];
}

}  // namespace

void set_up_ion_sizes(ChemicalSystem& cs) {
    cs.nflag = 0;
    std::vector<bool> gas(static_cast<std::size_t>(cs.ns) + 1, false);
    for (int i = 1; i <= cs.ns; ++i) {
        Species& s = cs.sp[i];
        // A neutral species with a size above 9.98 is marked in the database as a
        // dissolved gas. Water (species 2) is the solvent and never one.
        if (s.charge == 0.0 && s.ion_size > 9.98 && i != 2) {
            cs.flagged[++cs.nflag] = i;
            gas[static_cast<std::size_t>(i)] = true;
            continue;
        }
        s.radius = s.ion_size == 0.0 ? 4.0 : s.ion_size;
        const double az = std::fabs(s.charge);
        const double k = s.charge >= 0.0 ? 1.81 : 1.91;
        s.ion_size = 2.0 * (az * k + s.radius) / (az + 1.0);
    }
    // Peers: neutral species all take one coefficient whatever their size, so only the
    // charge, the size of an ion and the dissolved-gas mark tell them apart. Water takes
    // its activity instead and is nobody's peer.
    auto alike = [&](int i, int j) {
        const Species &a = cs.sp[i], &b = cs.sp[j];
        return a.charge == b.charge && (a.charge == 0.0 || a.ion_size == b.ion_size) &&
               gas[static_cast<std::size_t>(i)] == gas[static_cast<std::size_t>(j)];
    };
    for (int i = 1; i <= cs.ns; ++i) {
        int peer = 0;
        for (int j = i - 1; j >= 1 && i != 2 && peer == 0; --j)
            if (j != 2 && alike(i, j)) peer = j;
        cs.sp[i].gamma_peer = peer;
    }
}

void evaluate_bdot(const ChemicalSystem& cs, Conditions& cond) {
    const double kb = cond.header3_derived;
    const double b0 = cond.header4_derived;
    if (cs.ns >= 1 && cs.sp[1].charge != 0.0) {
        const double z = cs.sp[1].charge;
        cond.bdot[1] = ETA * z * z * kb / cs.sp[1].radius;  // H+: no deviation term b0
    }
    for (int i = 2; i <= cs.ns; ++i) {
        const Species& s = cs.sp[i];
        if (s.charge == 0.0) continue;
        const double z = s.charge;
        cond.bdot[i] = 0.19 - 0.19 * std::fabs(z) + b0 + ETA * z * z * kb / s.radius;
    }
}

// Extended Debye-Hueckel with b-dot and the mole-fraction-to-molality term
// Gamma = log10(1 + 0.01801528 * sum of solute molalities) (Helgeson, Kirkham & Flowers
// 1981). The water slot of m holds 1.0 and is not a solute, so it stays out of the sum:
// gamma then goes to 1 as the solution goes to pure water.
void ACTCOF(const ChemicalSystem& cs, const Conditions& cond, const RunParams& p, EquilibriumState& eq) {
    ActivityModelState& st = eq.actmodel;
    double ionic = 0.0, solutes = 0.0;
    for (int i = 1; i <= cs.ns; ++i) {
        const double z = cs.sp[i].charge;
        ionic += z * z * eq.m[i];
        if (i != 2) solutes += eq.m[i];
    }
    st.I = 0.5 * ionic;
    const double conv = std::log10(1.0 + WATER_KG_PER_MOLE * solutes);

    const double gn = gas_coefficient(cs, cond, p, eq);
    const double neutral = p.NEUT == 2 ? gn : 1.0;
    const double a = cond.header[1];
    const double b = cond.header[2];
    const double sqi = std::sqrt(st.I);
    // log10 gamma of each ion, kept for its peers: an ion whose log10 gamma comes out
    // exactly as its peer's takes the peer's gamma instead of raising 10 to it again.
    std::array<double, MAX_SPECIES + 1> lgs;
    for (int i = 1; i <= cs.ns; ++i) {
        const Species& s = cs.sp[i];
        if (s.charge == 0.0) {
            eq.gamma[i] = neutral;
        } else {
            const double lg =
                -a * s.charge * s.charge * sqi / (1.0 + s.ion_size * b * sqi) - conv + cond.bdot[i] * st.I;
            lgs[static_cast<std::size_t>(i)] = lg;
            const int r = s.gamma_peer;
            const bool shared = r >= 1 && r < i && cs.sp[r].charge != 0.0 && lg == lgs[static_cast<std::size_t>(r)];
            eq.gamma[i] = shared ? eq.gamma[r] : power_of_ten(lg);
        }
    }
    if (cs.ns >= 2) eq.gamma[2] = 1.0;
    if (p.NEUT == 0)
        for (int j = 1; j <= cs.nflag; ++j) eq.gamma[cs.flagged[j]] = gn;
}

void WATACT(const ChemicalSystem& cs, const Conditions& cond, EquilibriumState& eq) {
    ActivityModelState& st = eq.actmodel;
    const double ist = stoichiometric_ionic_strength(cs, eq);
    st.I_st = ist;

    // The electrolyte is read as a 1:1 salt (m3 - 2r), a 2:1 salt (t) and a 2:2 salt (m4)
    // from the components of database numbers 3, 4 and 10.
    const double wkg = eq.water_kg;
    auto molality = [&](int dbno) {
        const int pos = cs.cmap[dbno];
        return pos > 0 ? st.naq[pos] / wkg : 0.0;
    };
    const double m3 = molality(3), m4 = molality(4), m10 = molality(10);
    const double r = m10 - m4;
    const double t = std::max(0.0, r);
    const double u = 2.0 * (m3 - 2.0 * r) + 3.0 * t + 2.0 * m4;

    // Osmotic coefficients of the three salt types: Debye-Hueckel term with a*B = 1.5
    // ((a*B)^3 = 3.375 = 1.6875 * 2) plus deviation terms quadratic in I_st whose
    // coefficients depend on T (K) through 1/T and ln T.
    double phi = 0.0;
    if (u != 0.0) {
        const double tk = cond.TK;
        const double f = 1.0 + 1.5 * std::sqrt(ist);
        const double dh = LN10 * cond.header[1] / (1.6875 * 2.0 * ist);
        const double g = f - 2.0 * std::log(f) - 1.0 / f;
        const double l = std::log(tk);
        const double i2 = ist * ist;
        const double phi11 = 1.0 - dh * g + ist * (6.78376 - 0.975765 * l - 357.476 / tk) +
                             i2 * (-0.657028 + 38.5245 / tk + 0.093631 * l);
        const double phi21 = 1.0 - 2.0 * dh * g + ist * (-0.17875 + 64.9074 / tk + 0.00881813 * l) +
                             i2 * (0.317576 - 17.4918 / tk - 0.0447522 * l);
        const double phi22 = 1.0 - 4.0 * dh * g + ist * (-14.5582 + 795.248 / tk + 2.07668 * l) +
                             i2 * (2.94534 - 156.753 / tk - 0.423531 * l);
        phi = (2.0 * (m3 - 2.0 * r) * phi11 + 3.0 * t * phi21 + 2.0 * m4 * phi22) / u;
    }
    st.phi = phi;

    double aw;
    if (st.I >= 0.1) {
        const double lnaw = std::clamp(-WATER_KG_PER_MOLE_OSMOTIC * u * phi, -300.0 * LN10, 5.0);
        aw = std::exp(lnaw);
        st.xgas = 0.0;
    } else {
        // Dilute: water activity as the mole fraction of water among water and the
        // dissolved gases.
        double gas = 0.0;
        for (int slot : {cs.slot_co2aq, cs.slot_ch4aq, cs.slot_h2saq, cs.slot_h2aq, cs.slot_n2aq})
            if (slot > 0) gas += eq.m[slot];
        const double s = wkg * gas;
        const double w = WATER_MOLES_PER_KG * wkg;
        aw = w / (s + w);
        st.xgas = s / ((s + w) * wkg);
    }
    eq.gamma[2] = aw;
}

void water_activity_eos(const ChemicalSystem& cs, const Conditions& cond, const RunParams& p, EquilibriumState& eq) {
    ActivityModelState& st = eq.actmodel;
    st.I_st = stoichiometric_ionic_strength(cs, eq);
    eq.gamma[2] = eos_ratio(cs, cond, p, eq, st.I_st)[1];
    st.xgas = 0.0;
}

void update_activities(const ChemicalSystem& cs, const Conditions& cond, const RunParams& p, EquilibriumState& eq) {
    for (int k = 1; k <= cs.nc; ++k) eq.actmodel.naq[k] = eq.comp[k].aqueous();
    if (p.NEUT == 3) return;  // ideal solution: every gamma stays 1
    ACTCOF(cs, cond, p, eq);
    if (p.AWAT == 1) {
        eq.actmodel.xgas = 0.0;  // water activity held at 1
        return;
    }
    if (cond.TK < EOS_TK)
        WATACT(cs, cond, eq);
    else
        water_activity_eos(cs, cond, p, eq);
}

// Modified Redlich-Kwong equation of state for H2O-CO2-NaCl fluids (Bowers & Helgeson
// 1983, Geochim. Cosmochim. Acta 47, 1247-1275): H2O and NaCl form one pseudo-component
// whose a and b depend on w, the weight per cent NaCl in it; the CO2-H2O cross term
// carries the hydration constant K of de Santis et al. (1974). Units: cm3, atm, K;
// R = 82.05 cm3 atm / (mol K); t in degrees C. Used from 623.15 K up.
std::array<double, 3> MRKPHI(double tk, double patm, const std::array<double, 3>& x) {
    constexpr double R = 82.05;
    const double t = celsius(tk);
    const double t2 = t * t;
    const double x1 = x[0], x2 = x[1], x3 = x[2];
    const double y = x2 + x3;

    const double w = x3 > 1e-8 ? 5844.8 * x3 / (18.016 * x2 + 58.448 * x3) : 0.0;
    const double c1 = 0.02636494 + 2.687074e-6 * t2 - (5.36994e-4 + 4.321741e-9 * t2) * t;
    const double c2 = 5.235827e-5 - 3.505272e-8 * t;
    const double c3 = 0.006802827 + 3.770339e-7 * t2 - (9.48023e-5 + 5.075318e-10 * t2) * t;
    const double bhn = 14.6 - 0.04420283 * w;

    const double e =
        std::exp(4.881243 + t * (0.001823047 + 6.479419e-9 * t2) - 1.712269e-5 * t2 + w * c1 + w * w * (c3 + w * c2));
    const double s = std::sqrt(4.6e13 * e);
    const double de = c1 + 3.0 * c2 * w * w + 2.0 * c3 * w;  // d ln(e) / dw
    const double ac = (73.03 - 0.0714000016450882 * t + 2.157e-5 * t2) * 1e6;
    const double kh = std::exp(-11.071 + 5953.0 / tk - 2746000.0 / (tk * tk) + 4.646e8 / (tk * tk * tk));
    const double a12 = s + kh * 3366.10125 * std::pow(tk, 2.5);  // 3366.10125 = R^2 / 2
    const double h = std::exp(-0.00982646 * t);
    const double ahn = 111305700.0 + 50700330.0 * h - 8056580.0 * h * w;
    const double da = -8056580.0 * h;  // d ahn / dw

    const double b = bhn * y + 29.7 * x1;
    const double a = 2.0 * x1 * y * a12 + y * y * ahn + x1 * x1 * ac;
    const double rt15 = R * std::pow(tk, 1.5);
    double aprime = a / (b * rt15);
    const double z = ZCUBIC(b / (R * tk), patm, aprime);
    const double v = R * tk * z / patm;

    // Partial molar b_k and q_k = d(n^2 a)/dn_k / n; the w-terms come from w depending on
    // the H2O and NaCl mole numbers.
    std::array<double, 3> bk{}, qk{};
    bk[0] = 29.7;
    qk[0] = 2.0 * x1 * ac + 2.0 * y * a12;
    const double q0 = 2.0 * x1 * a12 + 2.0 * y * ahn;
    if (std::fabs(w - 100.0) < 1e-6) {
        bk[1] = bhn + 0.00013625071606898439 * w * w * y / x3;
        qk[1] = q0 - 0.0030823980290172457 * (y / x3) * w * w * (x1 * de * s + y * da);
        bk[2] = bhn;
        qk[2] = q0;  // the w-term vanishes at w = 100; the CO2 cross term stays
    } else if (w <= 1e-8) {
        bk[1] = bhn;
        qk[1] = q0;
        bk[2] = bhn;
        qk[2] = 2.0 * x1 * a12;
        if (x2 >= 1e-8) {
            const double vv = (100.0 - w) * (100.0 - w);
            bk[2] = bhn - 0.001434040301865009 * vv * y / x2;
            qk[2] = q0 + (vv / x2) * (0.032442273534635885 * x1 * y * de * s - 261373.77211367677 * h * y * y);
        }
    } else {
        const double vv = (100.0 - w) * (100.0 - w);
        bk[1] = bhn + 0.00013625071606898439 * w * w * y / x3;
        qk[1] = q0 - 0.0030823980290172457 * (w * w / x3) * (da * y * y + x1 * y * de * s);
        bk[2] = bhn - 0.001434040301865009 * vv * y / x2;
        qk[2] = q0 + (vv / x2) * (0.032442273534635885 * x1 * y * de * s - 261373.77211367677 * h * y * y);
    }

    const double lvb = std::log((v + b) / v);
    std::array<double, 3> phi{};
    for (std::size_t k = 0; k < 3; ++k) {
        const double lnphi = std::log(v / (v - b)) - std::log(z) + bk[k] / (v - b) +
                             a * bk[k] / (b * b * rt15) * (lvb - b / (v + b)) - qk[k] / (b * rt15) * lvb;
        phi[k] = std::exp(lnphi);
    }
    return phi;
}

double largest_cubic_root(double p, double q) {
    const double d = q * q / 4.0 + p * p * p / 27.0;
    if (d > 0.0) {
        const double sd = std::sqrt(d);
        return std::cbrt(-q / 2.0 + sd) + std::cbrt(-q / 2.0 - sd);
    }
    if (d == 0.0) {
        // Repeated root: the roots are 2u and -u (twice).
        const double u = std::cbrt(-q / 2.0);
        return std::max(2.0 * u, -u);
    }
    const double rho = 2.0 * std::sqrt(-p / 3.0);
    const double c = std::clamp((-q / 2.0) / std::sqrt(-p * p * p / 27.0), -1.0, 1.0);
    const double theta = std::acos(c) / 3.0;
    return std::max({rho * std::cos(theta), rho * std::cos(theta + 2.094395103), rho * std::cos(theta + 4.188790206)});
}

double ZCUBIC(double bprime, double p, double& aprime) {
    if (aprime <= 0.0) aprime = 0.001;
    const double bp = bprime * p;
    const double ap = aprime * bp;
    const double cc = ap - bp - bp * bp;
    const double pp = cc - 1.0 / 3.0;
    const double q = cc / 3.0 - ap * bp - 2.0 / 27.0;
    return largest_cubic_root(pp, q) + 1.0 / 3.0;
}

}  // namespace zq
