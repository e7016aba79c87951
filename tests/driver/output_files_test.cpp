// Output files that cannot be written, and the pickup file where the user protected, linked
// or shares the run file: the run ends with status 1 and a console message naming the file
// and the reason, and ZARNRUN.DAT is only ever replaced whole by a pickup that reads back.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "driver/pickup.h"
#include "support/bundled_run.h"
#include "support/child_run.h"
#include "support/run_dir.h"

namespace zq::test {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& hay, const std::string& needle) { return hay.find(needle) != std::string::npos; }

// A sodium chloride solution at 25 C (one solve and its pickup), or cooled from 100 to 50 C.
std::string nacl_run(double temp = 25, double slim = 25, double water_kg = 1.0) {
    BundledRun r;
    r.temp = temp;
    r.slim = slim;
    r.suprnt = 1e-10;
    r.rows = {{1, "H+", 0.0}, {2, "H2O", water_kg}, {3, "Cl-", 0.1}, {5, "Na+", 0.1}};
    return r.run_file();
}

std::string with_plot(std::string run_file) {
    const std::string options = "0 3 0 0 100";
    return run_file.replace(run_file.find(options), options.size(), "0 3 0 1 100");
}

void stage(const TempDir& dir, const std::string& run_file) {
    stage_bundled_data(dir);
    dir.write("ZARNRUN.DAT", run_file);
}

std::vector<std::string> nonblank_lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        if (l.find_first_not_of(' ') != std::string::npos) out.push_back(l);
    return out;
}

// The run ends on `message` followed by "Execution stopped.".
void expect_ends_with_message(const std::string& console, const std::string& message) {
    const std::vector<std::string> lines = nonblank_lines(console);
    ASSERT_GE(lines.size(), 2u) << console;
    EXPECT_EQ(lines[lines.size() - 2], message) << console;
    EXPECT_EQ(lines.back(), "  Execution stopped.") << console;
}

TEST(OutputFiles, AFileThatCannotBeWrittenStopsTheRunWithItsReason) {
    const bool full_device = fs::exists("/dev/full");
    struct Case {
        const char* name;
        std::function<void(const TempDir&)> fault;
        std::string message;
    };
    auto to_full = [](const char* file) {
        return [file](const TempDir& d) { fs::create_symlink("/dev/full", d.path() / file); };
    };
    const std::vector<Case> cases = {
        {"listing is a directory", [](const TempDir& d) { fs::create_directory(d.path() / "ZARNOUT.DAT"); },
         "  Cannot open ZARNOUT.DAT: Is a directory."},
        {"listing is read-only",
         [](const TempDir& d) {
             d.write("ZARNOUT.DAT", "an earlier listing\n");
             fs::permissions(d.path() / "ZARNOUT.DAT", fs::perms::owner_read | fs::perms::group_read);
         },
         "  Cannot open ZARNOUT.DAT: Permission denied."},
        {"failed-solve pickup is a directory", [](const TempDir& d) { fs::create_directory(d.path() / "ZARNRUN.SA2"); },
         "  Cannot open ZARNRUN.SA2: Is a directory."},
        {"listing on a full disk", to_full("ZARNOUT.DAT"), "  Cannot write ZARNOUT.DAT: No space left on device."},
        {"plot file on a full disk", to_full("ZARNPLOT.DAT"), "  Cannot write ZARNPLOT.DAT: No space left on device."},
        {"report on a full disk", to_full("Skip_Species.txt"),
         "  Cannot write Skip_Species.txt: No space left on device."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!full_device && contains(c.message, "full")) continue;  // no /dev/full here
        TempDir dir;
        stage(dir, with_plot(nacl_run()));
        c.fault(dir);
        const RunOutcome out = run_in(dir);
        EXPECT_EQ(out.status, 1);
        expect_ends_with_message(out.console, c.message);
    }
}

// A rerun over an earlier run's outputs, each longer than what the run writes: every file
// holds exactly what a first run writes, and stays the same file (a second name linked to
// the listing shows the new listing, a mode the user set is kept).
TEST(OutputFiles, ARerunEmptiesTheEarlierOutputsInPlace) {
    TempDir fresh, rerun;
    stage(fresh, with_plot(nacl_run(100, 50)));
    stage(rerun, with_plot(nacl_run(100, 50)));
    ASSERT_EQ(run_in(fresh).status, 0);
    const std::vector<std::string> names = {"ZARNOUT.DAT", "ZARNPLOT.DAT", "Skip_Species.txt", "ZARNSTEP.CSV",
                                            "ZARNSPEC.CSV"};
    for (const std::string& name : names) {
        ASSERT_FALSE(fresh.read(name).empty()) << name;
        rerun.write(name, std::string(fresh.read(name).size() * 3, 'x'));
    }
    fs::create_hard_link(rerun.path() / "ZARNOUT.DAT", rerun.path() / "listing-link");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(rerun.path() / "ZARNPLOT.DAT", mode);
    ASSERT_EQ(run_in(rerun).status, 0);
    for (const std::string& name : names) EXPECT_EQ(rerun.read(name), fresh.read(name)) << name;
    EXPECT_EQ(rerun.read("listing-link"), fresh.read("ZARNOUT.DAT"));
    EXPECT_EQ(fs::status(rerun.path() / "ZARNPLOT.DAT").permissions(), mode);
}

// The real program under a file-size limit: the listing cannot grow past 4096 bytes.
TEST(OutputFiles, AFileSizeLimitStopsTheRun) {
    TempDir dir;
    stage(dir, nacl_run());
    ChildLimits limits;
    limits.file_bytes = 4096;
    const ChildOutcome out = run_child(dir.path(), limits);
    EXPECT_EQ(out.status, 1) << out.console << out.errors;
    expect_ends_with_message(out.console, "  Cannot write ZARNOUT.DAT: File too large.");
    EXPECT_EQ(fs::file_size(dir.path() / "ZARNOUT.DAT"), 4096u);
}

// A folder the user may not write to, fresh or holding the files of an earlier run: the run
// says why it stops (as an unprivileged user when the tests run as root).
TEST(OutputFiles, AReadOnlyFolderStopsTheRunSayingWhy) {
    for (const bool earlier_run : {false, true}) {
        SCOPED_TRACE(earlier_run ? "files of an earlier run" : "fresh folder");
        TempDir dir;
        stage(dir, nacl_run());
        const auto all = fs::perms::all;
        if (earlier_run) {
            for (const char* f :
                 {"ZARNRUN.LCK", "ZARNOUT.DAT", "ZARNPLOT.DAT", "ZARNRUN.SAV", "ZARNRUN.SA2", "Skip_Species.txt",
                  "ZARNSTEP.CSV", "ZARNSPEC.CSV"})
                dir.write(f, "");
        }
        for (const auto& e : fs::directory_iterator(dir.path()))
            fs::permissions(e.path(), all & ~fs::perms::others_exec & ~fs::perms::owner_exec & ~fs::perms::group_exec);
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
        ChildLimits limits;
        limits.unprivileged = true;
        const ChildOutcome out = run_child(dir.path(), limits);
        fs::permissions(dir.path(), all);
        EXPECT_EQ(out.status, 1) << out.console << out.errors;
        const std::string message = earlier_run ? "  Cannot create ZARNRUN.DAT.tmp-*: Permission denied."
                                                : "  Cannot create the lock file ZARNRUN.LCK: Permission denied.";
        expect_ends_with_message(out.console, message);
    }
}

// A second run in a folder whose lock is held stops at once, before it writes anything.
TEST(PickupFile, ASecondRunInTheFolderStopsAtOnce) {
    TempDir dir;
    stage(dir, nacl_run());
    const int fd = ::open((dir.path() / "ZARNRUN.LCK").c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const RunOutcome out = run_in(dir);
    ::close(fd);
    EXPECT_EQ(out.status, 1);
    EXPECT_TRUE(
        contains(out.console, "\n  Another run is going on in this folder: it holds the lock on ZARNRUN.LCK.\n"))
        << out.console;
    EXPECT_FALSE(dir.exists("ZARNOUT.DAT"));
    EXPECT_EQ(run_in(dir).status, 0);  // the lock is released with the run that held it
}

// Temporary files of runs that no longer exist are removed at the start; those of a live
// process stay; and the fixed name that earlier versions used is no longer in the way.
TEST(PickupFile, StaleTemporaryFilesAreRemovedAndNamesAreUnique) {
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = std::to_string(gone);
    TempDir dir;
    stage(dir, nacl_run());
    dir.write("ZARNRUN.DAT.tmp", "left by an earlier version\n");
    dir.write("ZARNRUN.DAT.tmp-" + dead + "-a1b2c3", "killed run\n");
    dir.write("ZARNRUN.SAV.tmp-" + dead + "-d4e5f6", "killed run\n");
    dir.write("ZARNRUN.DAT.tmp-1-g7h8i9", "a live process\n");
    const RunOutcome first = run_in(dir);
    EXPECT_EQ(first.status, 0) << first.console;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.path()))
        if (contains(e.path().filename().string(), ".tmp")) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"ZARNRUN.DAT.tmp-1-g7h8i9"});

    fs::create_directory(dir.path() / "ZARNRUN.DAT.tmp");  // not removable: it holds a file
    dir.write("ZARNRUN.DAT.tmp/x", "");
    const RunOutcome second = run_in(dir);
    EXPECT_EQ(second.status, 0) << second.console;
}

// A run file that is a symbolic link stays one; the file it points to gets the pickup, with
// its permissions, and no temporary file is left in either folder.
TEST(PickupFile, ALinkedRunFileIsFollowedAndKeepsItsPermissions) {
    TempDir dir, elsewhere;
    stage(dir, "");
    const std::string input = nacl_run();
    elsewhere.write("saved-run.dat", input);
    fs::permissions(elsewhere.path() / "saved-run.dat",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::remove(dir.path() / "ZARNRUN.DAT");
    fs::create_symlink(elsewhere.path() / "saved-run.dat", dir.path() / "ZARNRUN.DAT");
    const RunOutcome out = run_in(dir);
    EXPECT_EQ(out.status, 0) << out.console;
    EXPECT_TRUE(fs::is_symlink(dir.path() / "ZARNRUN.DAT"));
    const std::string pickup = elsewhere.read("saved-run.dat");
    EXPECT_NE(pickup, input);
    EXPECT_TRUE(pickup_reads_back(pickup));
    EXPECT_EQ(fs::status(elsewhere.path() / "saved-run.dat").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(elsewhere.path())) ++files;
    EXPECT_EQ(files, 1);
}

// ZARNRUN.DAT is not replaced when the user made it read-only, nor by a pickup that would
// not read back (a mass of solution too large for AQGRM's column): the pickup goes to
// ZARNRUN.SAV, the run says why and ends with status 1.
TEST(PickupFile, TheRunFileIsReplacedOnlyByAReadablePickupWhereAllowed) {
    struct Case {
        const char* name;
        std::string run_file;
        bool read_only;
        std::string why;
    };
    const std::string heavy = nacl_run(25, 25, 9.999);  // 9999 g of water and the salt: above 9999.9999 g
    const Case cases[] = {
        {"read-only", nacl_run(), true, "  ZARNRUN.DAT is read-only: it is not replaced."},
        {"AQGRM too wide", heavy, false,
         "  The pickup of this step cannot be read back: AQGRM does not fit its column."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        stage(dir, c.run_file);
        if (c.read_only) fs::permissions(dir.path() / "ZARNRUN.DAT", fs::perms::owner_read | fs::perms::others_read);
        const RunOutcome out = run_in(dir);
        EXPECT_EQ(out.status, 1);
        EXPECT_EQ(dir.read("ZARNRUN.DAT"), c.run_file);
        const std::vector<std::string> lines = nonblank_lines(out.console);
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[lines.size() - 4], "  >> Pickup file written on disk <<");
        EXPECT_EQ(lines[lines.size() - 3], c.why);
        EXPECT_EQ(lines[lines.size() - 2],
                  "  The pickup is written to ZARNRUN.SAV; ZARNRUN.DAT keeps the last pickup it could take.");
        EXPECT_EQ(lines.back(), "  Execution stopped.");
        const std::string saved = dir.read("ZARNRUN.SAV");
        EXPECT_EQ(c.read_only, pickup_reads_back(saved)) << saved;
    }
}

// The temperature of a run file (the fourth value of its first line of numbers).
double run_file_temp(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    for (int i = 0; i < 5; ++i) std::getline(in, line);
    std::istringstream values(line);
    double v[4] = {};
    for (double& x : v) values >> x;
    return v[3];
}

// The real program killed at moments spread over a path of many short steps: whatever the
// moment, ZARNRUN.DAT is a complete run file (the input or the pickup of a step of the
// path), and the run resumed from it reaches the end of the path.
TEST(PickupFile, AKilledRunLeavesARunFileThatResumesThePath) {
    BundledRun run;
    run.temp = 100;
    run.slim = 50;
    run.sinc = -0.02;
    run.suprnt = 1e-10;
    run.rows = {{1, "H+", 0.0}, {2, "H2O", 1.0}, {3, "Cl-", 0.1}, {5, "Na+", 0.1}};
    const std::string input = run.run_file();
    TempDir dir;
    stage(dir, input);
    const auto t0 = std::chrono::steady_clock::now();
    const ChildOutcome whole = run_child(dir.path());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ASSERT_EQ(whole.status, 0) << whole.console << whole.errors;
    EXPECT_DOUBLE_EQ(run_file_temp(dir.read("ZARNRUN.DAT")), 50);
    for (int k = 1; k <= 8; ++k) {
        SCOPED_TRACE("killed after " + std::to_string(k) + "/9 of the run");
        dir.write("ZARNRUN.DAT", input);
        ChildLimits limits;
        limits.kill_after = seconds * k / 9;
        run_child(dir.path(), limits);
        const std::string left = dir.read("ZARNRUN.DAT");
        std::string reason;
        ASSERT_TRUE(pickup_reads_back(left, &reason)) << reason;
        const double steps = (100 - run_file_temp(left)) / 0.02;
        EXPECT_NEAR(steps, std::round(steps), 1e-6) << left;
        const ChildOutcome resumed = run_child(dir.path());
        EXPECT_EQ(resumed.status, 0) << resumed.console;
        // To the limit, or one step short of it where the sum of the steps from the
        // pickup's rounded temperature falls a hair below it.
        EXPECT_NEAR(run_file_temp(dir.read("ZARNRUN.DAT")), 50.01, 0.0100001);
        // The table holds each step once: the steps after the pickup, which the resumed run
        // made again, were dropped before it went on.
        std::istringstream table(dir.read("ZARNSTEP.CSV"));
        std::string row;
        std::getline(table, row);
        long expect = 1;
        while (std::getline(table, row)) {
            if (row.rfind(",resume,", 0) != 0) {
                EXPECT_EQ(std::stol(row), expect++) << row;
            }
        }
        EXPECT_GE(expect, 2501);  // the starting point and 2500 steps, or one fewer
    }
}

}  // namespace
}  // namespace zq::test
