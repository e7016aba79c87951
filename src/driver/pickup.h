// The pickup file: the current state of the run in run-file format, made after every solve
// so that the run can be resumed from the last solved point.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/run_params.h"
#include "solver/equilibrium_state.h"

namespace zq {

class Io;
struct ChemicalSystem;

inline constexpr std::string_view PICKUP_RUN_FILE = "ZARNRUN.DAT";  // after a full step
inline constexpr std::string_view PICKUP_SAVE = "ZARNRUN.SAV";      // while the step is adjusted
inline constexpr std::string_view PICKUP_FAILED = "ZARNRUN.SA2";    // after a failed solve

// The pickup text for the current state. Fields too wide for their layout print as
// asterisks; their names are added to `unreadable` ("; "-separated) when it is given.
std::string pickup_text(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                        std::string* unreadable = nullptr);
// The same, listing the names of the fields that print as asterisks one by one.
std::string pickup_text(const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                        std::vector<std::string>& unreadable);

// True when the run-file reader takes `text` as a run file (the reader's questions answered
// by Enter, nothing written anywhere); otherwise the reader's message is put in *reason.
bool pickup_reads_back(const std::string& text, std::string* reason = nullptr);

// Writes the pickup to `dest` (replacing it whole through a temporary file and a rename, so
// an interrupted run never leaves it half written), announces it on the console, and warns
// on the listing and the console of every field that cannot be read back. ZARNRUN.DAT is
// replaced only by a pickup that reads back, and only when it is not read-only; otherwise
// the pickup goes to ZARNRUN.SAV, the run says why and stops (status 1).
void write_pickup(std::string_view dest, const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
                  Io& io);

// The pickups of a path. Every solve offers its pickup (to ZARNRUN.DAT after a full step, to
// ZARNRUN.SAV within a step) and is announced on the console at once; each file is replaced
// at most once per `interval` (the first offer at once) and flush() writes what is still
// waiting. Replacing a file costs the disk a flush, so a path of many short steps would
// otherwise spend most of its time waiting on it. Each file always holds a whole pickup of a
// finished solve: a run stopped at any moment resumes from a solve at most `interval` behind
// the last one. Fields that do not fit their columns are reported, and stop the run for
// ZARNRUN.DAT, at the offer; the file's rights and the read-back check of ZARNRUN.DAT come
// before each write.
class PickupSchedule {
public:
    // `before_write` runs before each file is replaced (the run loop writes the tables' rows
    // gathered so far, so that they reach the pickup's step).
    explicit PickupSchedule(double interval_seconds, std::function<void()> before_write = {})
        : interval_(interval_seconds), before_write_(std::move(before_write)) {}
    void offer(std::string_view dest, const ChemicalSystem& sys, const EquilibriumState& eq, const RunParams& rp,
               Io& io);
    void flush(Io& io);

private:
    using Clock = std::chrono::steady_clock;
    // The last pickup offered for a file: its state, whose text is made when it is written.
    struct Waiting {
        std::unique_ptr<EquilibriumState> eq;
        RunParams rp;
        bool waiting = false;
        bool written = false;
        Clock::time_point when{};
    };
    void write(std::string_view dest, Waiting& w, Io& io);
    // Runs a check of ZARNRUN.DAT's pickup; one that stops the run has written ZARNRUN.SAV,
    // which then holds a later pickup than the one waiting for it.
    template <class Check>
    void checked(Check&& check) {
        try {
            check();
        } catch (...) {
            save_.waiting = false;
            throw;
        }
    }

    double interval_;
    std::function<void()> before_write_;
    const ChemicalSystem* sys_ = nullptr;  // the run's, fixed: that of every offer
    Waiting run_file_, save_;
};

}  // namespace zq
