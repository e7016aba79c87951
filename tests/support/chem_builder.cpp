#include "support/chem_builder.h"

#include <cmath>

#include "phases/solid_solution.h"
#include "solver/activity.h"

namespace zq::test {

ChemBuilder::ChemBuilder()
    : io(std::make_unique<Io>(dir.path(), in, out)),
      run(std::make_unique<RunState>()),
      sys(run->sys),
      cond(run->cond),
      rp(run->rp),
      eq(run->eq),
      ps(run->ps),
      state(run->newton) {
    rp.ERPC = 1e-12, rp.NLOOP = 100, rp.NEUT = 3, rp.AWAT = 1, rp.LIMSOL = 1, rp.IDEAL = 2, rp.C = rp.C_read = 1;
    rp.TEMP = 25, cond.TK = 298.15, rp.PFLUID = 1, rp.SUPRNT = 1e-10, eq.water_kg = 1;
    rp.SINC = -5, rp.SLIM = 25;  // a temperature path that ends after its first equilibrium
    rp.title1 = "Test system";
    rp.title2 = "built in the tables";
    for (int i = 1; i <= MAX_SPECIES; ++i) eq.gamma[i] = 1.0;
}

int ChemBuilder::component(const std::string& name, double z, double gfw, double total, double trial) {
    const int k = sys.ns = ++sys.nc;
    sys.sp[k].name = Name20(name);
    sys.sp[k].charge = z;
    sys.sp[k].gfw = gfw;
    sys.comp[k].saq = sys.cmap[k] = k;
    eq.comp[k].total = sys.comp[k].total_input = total;
    eq.m[k] = trial;
    return k;
}

int ChemBuilder::species(const std::string& name, double z, double logk, const Terms& terms) {
    const int j = ++sys.ns;
    Species& s = sys.sp[j];
    s.name = Name20(name);
    s.charge = z;
    cond.logk[j] = logk;
    s.nentries = static_cast<int>(terms.size()) + 1;
    s.coef[1] = -1.0;
    s.index[1] = j;
    for (std::size_t e = 0; e < terms.size(); ++e) s.coef[e + 2] = terms[e].first, s.index[e + 2] = terms[e].second;
    return j;
}

int ChemBuilder::mineral(const std::string& name, double logk, double gfw, double density, const Terms& terms,
                         double moles, bool in_matrix, int jsols, double site_n, bool gas) {
    const int i = ++sys.nmin;
    Mineral& mn = sys.mn[i];
    mn.name = Name20(name);
    cond.mn_logk[i] = logk;
    mn.gfw = gfw, mn.density = density, mn.jsols = jsols, mn.site_n = site_n;
    mn.flag = Kind4(gas ? "GAS " : "");
    mn.itot = static_cast<int>(terms.size());
    for (std::size_t e = 0; e < terms.size(); ++e) mn.coefm[e + 1] = terms[e].first, mn.specm[e + 1] = terms[e].second;
    eq.mn_moles[i] = moles;
    if (in_matrix) eq.ph[++eq.nph] = i;
    return i;
}

void ChemBuilder::start() {
    set_up_ion_sizes(sys);
    evaluate_bdot(sys, cond);
    build_solid_solutions(sys, eq, *io);
    start_solution(sys, cond, rp, eq);
}

std::string ChemBuilder::listing() {
    io->listing().flush();
    return dir.read("ZARNOUT.DAT");
}

}  // namespace zq::test
