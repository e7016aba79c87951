// The command line: what each argument list means, answers without a console, a new run
// folder, and the real program's statuses.
#include "driver/command_line.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_dir.h"

namespace zq::test {
namespace {

using Action = CommandLine::Action;

TEST(CommandLine, ArgumentListsAndWhatTheyMean) {
    const struct {
        std::vector<std::string> args;
        Action action;
        const char* dir;
        int answer;  // -1 none, 0 no, 1 yes
        const char* error;
    } cases[] = {
        {{}, Action::Run, "", -1, ""},
        {{"-C", "runs/a"}, Action::Run, "runs/a", -1, ""},
        {{"--answer", "no", "-C", "x"}, Action::Run, "x", 0, ""},
        {{"--answer=yes"}, Action::Run, "", 1, ""},
        {{"--init", "new"}, Action::Init, "", -1, ""},
        {{"-C", "x", "--help"}, Action::Help, "x", -1, ""},
        {{"--version", "--bogus"}, Action::Version, "", -1, ""},
        {{"--answer", "maybe"}, Action::Usage, "", -1, "--answer takes yes or no, not \"maybe\""},
        {{"--answer"}, Action::Usage, "", -1, "--answer needs yes or no"},
        {{"-C"}, Action::Usage, "", -1, "-C needs a directory"},
        {{"--init"}, Action::Usage, "", -1, "--init needs a directory"},
        {{"--bogus"}, Action::Usage, "", -1, "unknown option --bogus"},
        {{"ZARNRUN.DAT"}, Action::Usage, "", -1, "unexpected argument ZARNRUN.DAT"},
        {{"--init", "d", "--no-tables"},
         Action::Usage,
         "",
         -1,
         "--init makes a run folder; -C, --answer and --no-tables belong to a run"},
        {{"--no-tables", "-C", "x"}, Action::Run, "x", -1, ""},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        const CommandLine cl = parse_command_line(c.args);
        EXPECT_EQ(cl.action, c.action);
        EXPECT_EQ(cl.error, c.error);
        if (c.action == Action::Usage) continue;
        EXPECT_EQ(cl.dir.string(), c.dir);
        EXPECT_EQ(cl.answer.has_value() ? int(*cl.answer) : -1, c.answer);
        EXPECT_EQ(cl.tables, joined.find("--no-tables") == std::string::npos);
    }
}

// Fixed answers: the prompt is written, the answer after it, and the console is not read
// (the "press Enter" of a read error neither).
TEST(CommandLine, FixedAnswersLeaveTheConsoleUnread) {
    for (const bool yes : {true, false}) {
        Session s("n\ny\n");
        s.io.answer_all(yes);
        EXPECT_EQ(s.io.ask_yes("Continue?"), yes);
        EXPECT_EQ(s.io.ask_line(), "");
        EXPECT_EQ(s.console(), std::string("Continue?\n") + (yes ? "Yes" : "No") + "\n");
        EXPECT_EQ(s.unread(), "n\ny\n");
    }
}

TEST(CommandLine, InitMakesARunFolderAndKeepsWhatIsThere) {
    TempDir dir;
    const auto folder = dir.path() / "new" / "run";
    std::ostringstream out;
    ASSERT_EQ(init_run_folder(folder, source_path(""), out), 0) << out.str();
    for (const char* name : {"DORNEVAL.QVD", "MINOX.DAT", "ZARNRUN.DAT"}) EXPECT_TRUE(exists(folder / name)) << name;

    std::ofstream(folder / "ZARNRUN.DAT") << "my own run file\n";
    std::ostringstream again;
    EXPECT_EQ(init_run_folder(folder, source_path(""), again), 0);
    EXPECT_NE(again.str().find("kept    " + (folder / "ZARNRUN.DAT").string() + " (already there)"), std::string::npos);
    std::ifstream f(folder / "ZARNRUN.DAT");
    std::string first;
    std::getline(f, first);
    EXPECT_EQ(first, "my own run file");

    std::ostringstream none;
    EXPECT_EQ(init_run_folder(dir.path() / "other", {}, none), 1);
}

int program_status(const std::string& args, const std::string& dir) {
    const std::string cmd = "cd '" + dir + "' && '" + ZQ_PROGRAM + "' " + args + " </dev/null >console.txt 2>&1";
    const int raw = std::system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// The statuses scripts rely on, and a question refused by --answer no ends the run with 1
// where the same run answered yes goes on.
TEST(CommandLine, ProgramStatuses) {
    TempDir dir;
    EXPECT_EQ(program_status("--version", dir.path().string()), 0);
    EXPECT_EQ(dir.read("console.txt").rfind(std::string("zarn-qvd ") + program_version() + "\n", 0), 0u);
    EXPECT_EQ(program_status("--help", dir.path().string()), 0);
    EXPECT_EQ(program_status("--frobnicate", dir.path().string()), 2);
    EXPECT_EQ(dir.read("console.txt").rfind("zarn-qvd: unknown option --frobnicate\nusage: ", 0), 0u);
    EXPECT_EQ(program_status("-C no/such/dir", dir.path().string()), 2);

    // The seawater example at 400 C on the saturation data asks whether to go on; NLOOP 0
    // makes it an input check.
    ASSERT_EQ(program_status("--init run", dir.path().string()), 0);
    std::string run = dir.read("run/ZARNRUN.DAT");
    const std::size_t row = run.find('\n', run.find("<  erpc  >")) + 1;
    run.replace(row + 30, 10, "  400.0000");
    const std::size_t options = run.find('\n', run.find("hiP:1")) + 1;
    run.replace(options + 20, 5, "    0");
    for (const bool yes : {false, true}) {
        dir.write("run/ZARNRUN.DAT", run);
        EXPECT_EQ(program_status(std::string("-C run --answer ") + (yes ? "yes" : "no"), dir.path().string()),
                  yes ? 0 : 1);
        EXPECT_NE(dir.read("console.txt").find("Continue? (Yes/No, enter = YES)\n\n" + std::string(yes ? "Yes" : "No")),
                  std::string::npos);
    }
}

}  // namespace
}  // namespace zq::test
