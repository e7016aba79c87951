// The gas mixture's model against its definitions, computed here independently: the
// fugacity coefficients of the mixing rules as the derivatives of the mixture's residual
// Gibbs energy by the amount of each gas (finite differences), the phi-keeping rule, and the
// enthalpy's pressure correction as -R T^2 d ln phi / dT (finite differences of the
// fugacity coefficients themselves). The virial coefficients are those of the bundled
// database.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <string>

#include "phases/enthalpy.h"
#include "phases/gas_mixture.h"
#include "phases/saturation_pressure.h"
#include "phases/solid_solution.h"
#include "support/chem_builder.h"
#include "thermo/conditions.h"

namespace zq::test {
namespace {

using Triple = std::array<double, 3>;

// H2O, CO2 and CH4 gas with the bundled coefficients (B' triple, C' triple) and the ten
// cross triples, by name.
const Triple PURE_B[] = {{-0.49876E+04, 0.11901E+02, -0.79785E-02},
                         {-0.11045E+04, 0.27368E+01, -0.17629E-02},
                         {-0.43157E+03, 0.10274E+01, -0.33244E-03}};
const Triple PURE_C[] = {{-0.68939E+02, 0.19949E+00, -0.14604E-03},
                         {-0.11242E+02, 0.45651E-01, -0.44471E-04},
                         {-0.11394E+01, 0.58761E-02, -0.59743E-05}};
const std::map<std::string, Triple> CROSS = {
    {"B12", {-0.14851E+04, 0.27809E+01, -0.14393E-02}},  {"B13", {-0.84756E+03, 0.14755E+01, -0.58529E-03}},
    {"B23", {-0.64783E+03, 0.15088E+01, -0.71857E-03}},  {"C112", {-0.12033E+02, 0.34611E-01, -0.24908E-04}},
    {"C122", {-0.30666E+01, 0.93374E-02, -0.67653E-05}}, {"C113", {-0.67158E+01, 0.19831E-01, -0.14397E-04}},
    {"C133", {-0.45516E+00, 0.21560E-02, -0.17328E-05}}, {"C223", {-0.53597E+01, 0.22431E-01, -0.21943E-04}},
    {"C233", {-0.24808E+01, 0.11112E-01, -0.11010E-04}}, {"C123", {-0.13901E+01, 0.47671E-02, -0.35758E-05}}};
const char* const CROSS_ORDER[] = {"B12", "B13", "B23", "C112", "C122", "C113", "C133", "C223", "C233", "C123"};

double at(const Triple& c, double tk) { return c[0] / (tk * tk) + c[1] / tk + c[2]; }

struct GasSystem : ChemBuilder {
    explicit GasSystem(int ideal, double tk = 573.15) {
        component("H+", 1, 1.008, 0, 1e-7);
        component("H2O", 0, 18.015, WATER_MOLES_PER_KG, 1.0);
        component("HCO3-", -1, 61.017, 0.01, 0.01);
        const char* names[] = {"H2O,gas", "CO2,gas", "CH4,gas"};
        for (int g = 0; g < 3; ++g) {
            const int i = mineral(names[g], 0, 18, 0, {{1.0, 2}}, 0, false, MIXED_GAS_JSOLS, 1, true);
            sys.mn[i].eos_a = PURE_B[g];
            sys.mn[i].eos_b = PURE_C[g];
        }
        sys.nmixed = sys.ngas_records = 3;
        sys.ngasmix = 3;
        for (int k = 1; k <= 10; ++k) sys.cross[k] = CROSS.at(CROSS_ORDER[k - 1]);
        rp.IDEAL = ideal;
        set_temperature(tk);
    }
    void set_temperature(double tk) {
        cond.TK = tk;
        rp.TEMP = tk - 273.15;
        for (int g = 1; g <= 3; ++g) {
            cond.eos_a_t[g] = temperature_function(sys.mn[g].eos_a, tk);
            cond.eos_b_t[g] = temperature_function(sys.mn[g].eos_b, tk);
        }
    }
    std::array<double, 4> ln_phi(const std::array<double, 4>& y, double p) {
        for (int i = 1; i <= 3; ++i) eq.gas.y[i] = y[static_cast<std::size_t>(i)], eq.phase[i].lambda = 1.0;
        fugacity_coefficients(sys, cond, rp, p, eq);
        return {0, std::log(eq.phase[1].lambda), std::log(eq.phase[2].lambda), std::log(eq.phase[3].lambda)};
    }
};

// n times the residual Gibbs energy over RT of a virial gas of amounts n(1..3) at p:
// n (B(mix) P + C(mix) P^2 / 2), B(mix) = sum y y B, C(mix) = sum y y y C, written out by name.
double residual_gibbs(const std::array<double, 4>& n, double p, double tk) {
    const double total = n[1] + n[2] + n[3];
    const double y1 = n[1] / total, y2 = n[2] / total, y3 = n[3] / total;
    auto c = [&](const char* k) { return at(CROSS.at(k), tk); };
    const double b = y1 * y1 * at(PURE_B[0], tk) + y2 * y2 * at(PURE_B[1], tk) + y3 * y3 * at(PURE_B[2], tk) +
                     2 * y1 * y2 * c("B12") + 2 * y1 * y3 * c("B13") + 2 * y2 * y3 * c("B23");
    const double cc = y1 * y1 * y1 * at(PURE_C[0], tk) + y2 * y2 * y2 * at(PURE_C[1], tk) +
                      y3 * y3 * y3 * at(PURE_C[2], tk) + 3 * y1 * y1 * y2 * c("C112") + 3 * y1 * y2 * y2 * c("C122") +
                      3 * y1 * y1 * y3 * c("C113") + 3 * y1 * y3 * y3 * c("C133") + 3 * y2 * y2 * y3 * c("C223") +
                      3 * y2 * y3 * y3 * c("C233") + 6 * y1 * y2 * y3 * c("C123");
    return total * (b * p + cc * p * p / 2);
}

TEST(GasMixture, FugacityCoefficientsAreTheDerivativesOfTheMixture) {
    const double p = 60.0, tk = 573.15;
    const std::array<double, 4> y{0, 0.7, 0.2, 0.1};
    GasSystem mix(0, tk);
    const auto got = mix.ln_phi(y, p);
    for (int i = 1; i <= 3; ++i) {
        std::array<double, 4> up = y, down = y;
        up[static_cast<std::size_t>(i)] += 1e-6, down[static_cast<std::size_t>(i)] -= 1e-6;
        const double expected = (residual_gibbs(up, p, tk) - residual_gibbs(down, p, tk)) / 2e-6;
        EXPECT_NEAR(got[static_cast<std::size_t>(i)], expected, 1e-8) << "gas " << i;
    }
    // IDEAL 1, or IDEAL 0 without cross coefficients (no CO2,gas in slot 2): each gas with
    // its own coefficients whatever the mixture.
    for (int ideal : {1, 0}) {
        GasSystem own(ideal, tk);
        if (ideal == 0) own.sys.ngasmix = 0;
        const auto pure = own.ln_phi(y, p);
        for (int i = 1; i <= 3; ++i)
            EXPECT_NEAR(pure[static_cast<std::size_t>(i)], (at(PURE_B[i - 1], tk) + at(PURE_C[i - 1], tk) * p / 2) * p,
                        1e-14);
    }
}

// ln phi outside [1e-10, 10] leaves phi as it was; inside it phi follows.
TEST(GasMixture, PhiKeepsItsValueOutsideItsRange) {
    struct Case {
        double p;
        bool follows;
    };
    const Case cases[] = {{1e-12, false}, {1e-6, true}, {100.0, true}, {5000.0, false}};
    for (const Case& c : cases) {
        GasSystem g(1);
        g.eq.phase[1].lambda = 0.5;
        g.eq.gas.y[1] = 1.0;
        fugacity_coefficients(g.sys, g.cond, g.rp, c.p, g.eq);
        const double ln_phi = (g.cond.eos_a_t[1] + g.cond.eos_b_t[1] * c.p / 2) * c.p;
        EXPECT_DOUBLE_EQ(g.eq.phase[1].lambda, c.follows ? std::exp(ln_phi) : 0.5) << c.p;
    }
}

// The residual enthalpy of gas i is -R T^2 d ln phi(i) / dT at constant P and composition;
// the program corrects the 1 bar enthalpy by its change from 1 bar to P. The derivative is
// taken here from the fugacity coefficients at T +- 0.01 K.
TEST(GasMixture, EnthalpyCorrectionIsTheTemperatureDerivativeOfLnPhi) {
    constexpr double R = 0.0019872;  // kcal/(mol K)
    const std::array<double, 4> y{0, 0.9, 0.08, 0.02};
    for (int ideal : {0, 1}) {
        for (double p : {10.0, 85.0}) {
            SCOPED_TRACE("IDEAL " + std::to_string(ideal) + ", P " + std::to_string(p));
            GasSystem g(ideal);
            auto ln_phi_at = [&](double tk, double pressure) {
                g.set_temperature(tk);
                return g.ln_phi(y, pressure);
            };
            const double tk = 573.15, dt = 0.01;
            const auto hi = ln_phi_at(tk + dt, p), lo = ln_phi_at(tk - dt, p);
            const auto hi1 = ln_phi_at(tk + dt, 1.0), lo1 = ln_phi_at(tk - dt, 1.0);
            g.set_temperature(tk);
            for (int i = 1; i <= 3; ++i) g.eq.gas.y[i] = y[static_cast<std::size_t>(i)];
            gas_enthalpies(g.sys, g.cond, g.rp, p, g.eq);
            const auto ideal_h = [&](int i) { return gas_molar_enthalpy(static_cast<EnthalpyGas>(i), 300.0); };
            for (int i = 1; i <= 3; ++i) {
                const auto iu = static_cast<std::size_t>(i);
                const double d_ln_phi = ((hi[iu] - lo[iu]) - (hi1[iu] - lo1[iu])) / (2 * dt);
                const double expected = -R * tk * tk * d_ln_phi;
                EXPECT_NEAR(g.eq.gas.h[i] - ideal_h(i), expected, 2e-3 * std::fabs(expected) + 1e-9) << "gas " << i;
            }
            // dH/dP, against the correction at P +- 0.01 bar.
            GasSystem q(ideal);
            for (int i = 1; i <= 3; ++i) q.eq.gas.y[i] = y[static_cast<std::size_t>(i)];
            gas_enthalpies(q.sys, q.cond, q.rp, p + 0.01, q.eq);
            const double up = q.eq.gas.h[1];
            gas_enthalpies(q.sys, q.cond, q.rp, p - 0.01, q.eq);
            EXPECT_NEAR(g.eq.gas.dhdp[1], (up - q.eq.gas.h[1]) / 0.02, 1e-9);
        }
    }
    GasSystem ideal_gases(2);
    gas_enthalpies(ideal_gases.sys, ideal_gases.cond, ideal_gases.rp, 85.0, ideal_gases.eq);
    EXPECT_EQ(ideal_gases.eq.gas.h[2], gas_molar_enthalpy(EnthalpyGas::CO2, 300.0));
    EXPECT_EQ(ideal_gases.eq.gas.dhdp[2], 0.0);
}

// H2O,gas alone in the mixture (a run without carbon) carries its enthalpy and keeps its
// fugacity coefficient as a mixture of one; a mineral alone in its solution is a pure phase.
TEST(GasMixture, LoneSteamKeepsItsMixture) {
    ChemBuilder b;
    b.component("H+", 1, 1.008, 0, 1e-7);
    b.component("H2O", 0, 18.015, WATER_MOLES_PER_KG, 1.0);
    b.mineral("H2O,gas", -1.829, 18.015, 0, {{1.0, 2}}, 0.1, true, MIXED_GAS_JSOLS, 1, true);
    b.mineral("Calcite", 1.8, 100.09, 2.71, {{1.0, 1}}, 0, false, 3);
    b.sys.nmixed = b.sys.ngas_records = 1;
    b.start();
    EXPECT_EQ(enthalpy_gases(b.sys), 1);
    EXPECT_TRUE(gas_mixture_present(b.sys, b.eq));
    EXPECT_EQ(b.eq.phase[2].ss_present, 0);
    EXPECT_EQ(b.sys.ss.nmembers[3], 0);
}

SaturationPressure report(GasSystem& g, const std::array<double, 4>& log_f) {
    for (int i = 1; i <= 3; ++i) g.eq.phase[i].log_fugacity = log_f[static_cast<std::size_t>(i)];
    g.rp.ITREF = 2;
    const SaturationPressure s = saturation_pressure_report(g.sys, g.cond, g.rp, g.eq, *g.io);
    EXPECT_EQ(g.rp.ITREF, 0);  // for the rest of the run
    return s;
}

// Ideal gases: the pressure is the sum of the fugacities, after no iteration. (The examples'
// reference listings pin the report's lines.)
TEST(SaturationPressure, IdealGasesSumTheirFugacities) {
    GasSystem g(2);
    const SaturationPressure s = report(g, {0, 1.2, 0.3, -3.0});
    EXPECT_EQ(s.iterations, 0);
    EXPECT_NEAR(s.p, std::pow(10.0, 1.2) + std::pow(10.0, 0.3) + 1e-3, 1e-12);
    EXPECT_EQ(g.console(), "\n  Saturation pressure is:  17.8452 bar\n\n");
}

// Real gases: at the reported pressure phi(i) y(i) P = f(i) and the y sum to 1, for the
// mixing rules and for each gas's own coefficients; and a gas whose phi P never reaches its fugacity (phi P = P
// exp(-P^2) is at most 0.43 bar) gives up after 26 passes with the warning.
TEST(SaturationPressure, NewtonIterationOnTheMoleFractionsAndThePressure) {
    for (int ideal : {0, 1}) {
        GasSystem g(ideal);
        const std::array<double, 4> log_f{0, 1.83, 0.9, -2.0};
        const SaturationPressure s = report(g, log_f);
        EXPECT_TRUE(s.converged);
        EXPECT_LE(s.iterations, 6);
        double sum = 0;
        for (int i = 1; i <= 3; ++i) {
            const double f = std::pow(10.0, log_f[static_cast<std::size_t>(i)]);
            EXPECT_NEAR(g.eq.phase[i].lambda * g.eq.gas.y[i] * s.p, f, 1e-6 * f) << "IDEAL " << ideal;
            sum += g.eq.gas.y[i];
        }
        EXPECT_NEAR(sum, 1.0, 1e-9);
    }
    GasSystem g(1);
    g.cond.eos_a_t[1] = 0.0, g.cond.eos_b_t[1] = -2.0;
    const SaturationPressure s = report(g, {0, 0.0, -9.0, -9.0});
    EXPECT_FALSE(s.converged);
    EXPECT_EQ(s.iterations, 26);
    EXPECT_NE(g.console().find("\n            ************ WARNING ! ************\n"
                               "     PSAT calculation did not converge after 25 loops\n\n"),
              std::string::npos);
    EXPECT_NE(g.listing().find("  Gas composition at saturation ( 26 iterations)"), std::string::npos);
}

}  // namespace
}  // namespace zq::test
