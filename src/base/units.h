// Units and the constants that convert between them. Temperatures are in degrees C where
// the run file and the listing give them (TEMP, TEMPC) and in kelvin (TK) inside the
// models; pressures in bar; amounts in moles; water in kilograms.
#pragma once

namespace zq {

inline constexpr double KELVIN_AT_0C = 273.15;

inline constexpr double kelvin(double celsius) { return celsius + KELVIN_AT_0C; }
inline constexpr double celsius(double kelvin_t) { return kelvin_t - KELVIN_AT_0C; }

// Moles of water in one kilogram: the conversion of the water component between the
// kilograms of the run file and the moles of the tables, and the molality of water in the
// mass balance. The models that were fitted with rounded values keep theirs beside them
// (see WATER_MOLES_EOS and the kilograms per mole of the activity model).
inline constexpr double WATER_MOLES_PER_KG = 55.5082502;

// No log K at this point of the data; an evaluated log K above 99999 means no data.
inline constexpr double NO_DATA = 99999.999;

}  // namespace zq
