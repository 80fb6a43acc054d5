// The command line's options as a user meets them, and the reasons the program
// gives when the port it is told to use does not open: --help, --version, --,
// --port, --ports, and the settings file in the user's own folder.

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "sim/pty.h"
#include "tests/e2e/fixture.h"
#include "tests/e2e/memory_model.h"
#include "tests/e2e/wire.h"

namespace quillmer::e2e {
namespace {

namespace fs = std::filesystem;
using sim::Model;

constexpr std::string_view kUsageStart = "Usage: quillmer [OPTION]... MEMORY_FILE\n";

class Options : public EndToEnd {
  protected:
    /// Runs the program with `args` and no radio to the end; its exit status.
    int run_to_end(const std::vector<std::string>& args) {
        ProgramRun& run = launch(args);
        const int status = run.wait_exit();
        EXPECT_NE(status, ProgramRun::kTimedOut) << run.transcript();
        return status;
    }
    /// The port of `radio` as the program names it in its messages.
    std::string named(const sim::Simulator& radio) const {
        const std::string answer = port_of(radio);
        if (native()) return answer;
        return "port " + answer + " (" + device_for_number(std::stol(answer)) + ")";
    }
};

TEST_F(Options, HelpAndVersionAnswerAtOnceAndAnUnknownOptionIsNoFileName) {
    EXPECT_EQ(run_to_end({"--help"}), kWritten);
    EXPECT_TRUE(program().transcript().starts_with(kUsageStart)) << program().transcript();
    EXPECT_NE(program().transcript().find("\nExit status:\n"), std::string::npos);

    EXPECT_EQ(run_to_end({"--version"}), kWritten);
    EXPECT_TRUE(program().transcript().starts_with("quillmer 0.")) << program().transcript();

    EXPECT_EQ(run_to_end({"--bogus", "memory.csv"}), kUsage);
    const std::string refused = program().transcript();
    EXPECT_TRUE(refused.starts_with("Unknown option --bogus")) << refused;
    EXPECT_NE(refused.find(kUsageStart), std::string::npos);
    EXPECT_EQ(occurrences(refused, text::kTitle), 0u) << "the run went on";
}

TEST_F(Options, AMemoryFileNamedLikeAnOptionComesAfterTheDoubleDash) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const std::string memory = varied_memory_file(7);
    write_memory_file(memory, "-x.csv");
    write_settings(port_of(radio) + "\n");
    // A name relative to the program's directory, where the file is.
    launch({"--", "-x.csv"});
    EXPECT_EQ(finish_after(text::kWriteEnd), kWritten);
    expect_whole_memory_written(settle(radio), memory);
}

TEST_F(Options, ThePortOptionIsTheSettingsLineAndNothingIsAsked) {
    const auto& radio = start_radio(sim::model_config(Model::id92));
    const std::string memory = varied_memory_file(7);
    ProgramRun& run = launch({"--port", port_of(radio), write_memory_file(memory)});
    EXPECT_EQ(finish_after(text::kWriteEnd), kWritten);
    const std::string transcript = run.transcript();
    EXPECT_NE(transcript.find("\nCom:" + port_of(radio) + "\n"), std::string::npos) << transcript;
    EXPECT_EQ(occurrences(transcript, text::kHelp1), 0u);
    EXPECT_EQ(occurrences(transcript, text::kPrompt), 0u);
    expect_whole_memory_written(settle(radio), memory);
}

TEST_F(Options, APortThatDoesNotOpenEndsTheRunWithItsPathAndWhy) {
    struct Case {
        std::string port;
        std::string why;
    };
    const std::string missing = native() ? "/dev/quillmer-no-such-port" : R"(\\.\QUILLMER9)";
    const Case cases[] = {
        {"4000", no_such_port_line(4000)},
        {missing,
         missing + " does not exist: is the cable plugged in?" + std::string(text::kListHint)},
    };
    const std::string memory_file = write_memory_file(varied_memory_file(3));
    for (const Case& c : cases) {
        EXPECT_EQ(run_to_end({"--port=" + c.port, memory_file}), kNoPort);
        const std::string transcript = program().transcript();
        EXPECT_TRUE(
            transcript.ends_with("Com:" + c.port + "\n" + std::string(text::kOpenError) + c.why))
            << testing::PrintToString(transcript);
        EXPECT_EQ(occurrences(transcript, text::kPrompt), 0u);
    }
}

TEST_F(Options, APortWithoutARadioEndsTheRunAfterTheCalls) {
    sim::RadioConfig mute = sim::model_config(Model::id91);
    mute.silent = true;
    const auto& silent = start_radio(mute);
    EXPECT_EQ(run_to_end({"--port", port_of(silent), write_memory_file(varied_memory_file(3))}),
              kNoPort);
    const std::string transcript = program().transcript();
    EXPECT_TRUE(transcript.ends_with(std::string(text::kNoResponse) + "Nothing answered on " +
                                     named(silent) +
                                     ": is the radio switched on, and the cable plugged in at "
                                     "both ends?\n"))
        << testing::PrintToString(transcript);
    EXPECT_EQ(occurrences(transcript, text::kPrompt), 0u);
}

TEST_F(Options, APortThatIsNoSerialPortIsNamed) {
    const std::string device = native() ? "/dev/null" : R"(\\.\NUL)";
    EXPECT_EQ(run_to_end({"--port", device, write_memory_file(varied_memory_file(3))}),
              kPortSettingsRefused);
    EXPECT_TRUE(program().transcript().ends_with(
        std::string(text::kDcbError) + device +
        " is not a serial port, or its driver refused 38400 bit/s with 8 data bits and no "
        "parity.\n"))
        << testing::PrintToString(program().transcript());
}

TEST_F(Options, APortHeldByAnotherProgramSaysSo) {
    if (!native()) GTEST_SKIP() << "the lock that marks a held port is a POSIX one";
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const sim::Fd holder(::open(radio.slave_path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(holder.valid());
    ASSERT_EQ(flock(holder.get(), LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(run_to_end({"--port", radio.slave_path(), write_memory_file(varied_memory_file(3))}),
              kNoPort);
    EXPECT_TRUE(program().transcript().ends_with(
        std::string(text::kOpenError) + radio.slave_path() +
        " is in use by another program: close that program and try again.\n"))
        << testing::PrintToString(program().transcript());
    EXPECT_TRUE(radio.frames().empty());
}

TEST_F(Options, APortThisUserMayNotOpenNamesTheGroupToJoin) {
    if (!native()) GTEST_SKIP() << "Windows has no device groups";
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root can run the program as another user (nobody) against a "
                        "device that user may not open";
    }
    const auto& radio = start_radio(sim::model_config(Model::id91));
    // A device as udev makes a serial port: the dialout group may use it, others not.
    const group* dialout = getgrnam("dialout");
    const gid_t owner = dialout != nullptr ? dialout->gr_gid : 0;
    ASSERT_EQ(chown(radio.slave_path().c_str(), 0, owner), 0);
    ASSERT_EQ(chmod(radio.slave_path().c_str(), 0660), 0);
    const std::string group_name = dialout != nullptr ? "dialout" : getgrgid(owner)->gr_name;

    // nobody must reach the program's copy and the memory file.
    const std::string memory_file = write_memory_file(varied_memory_file(3));
    const fs::path copy = program_copy();
    fs::permissions(copy.parent_path(),
                    fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
    fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(memory_file, fs::perms::owner_read | fs::perms::owner_write |
                                     fs::perms::group_read | fs::perms::others_read);
    launcher_.argv_prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};

    EXPECT_EQ(run_to_end({"--port", radio.slave_path(), memory_file}), kNoPort);
    EXPECT_TRUE(program().transcript().ends_with(
        std::string(text::kOpenError) + "Permission denied on " + radio.slave_path() +
        ": this user must be in the group " + group_name + ", which owns it: sudo usermod -aG " +
        group_name + " \"$USER\", then log out and in again.\n"))
        << testing::PrintToString(program().transcript());
    EXPECT_TRUE(radio.frames().empty());
}

TEST_F(Options, PortsListsOnePortALineOrSaysWhatToCheck) {
    EXPECT_EQ(run_to_end({"--ports"}), kWritten);
    const std::string listed = program().transcript();
    EXPECT_EQ(occurrences(listed, text::kTitle), 0u);
    const std::string footer =
        "Give the first word of a line to --port, in the settings file or at the port prompt.\n";
    if (!listed.ends_with(footer)) {
        // Nothing found: what to check instead.
        EXPECT_TRUE(listed.starts_with("No ")) << listed;
        EXPECT_NE(listed.find("Is the cable plugged in?"), std::string::npos) << listed;
        return;
    }
    // Each line before the footer names a port by what opens it.
    std::string_view lines(listed);
    lines.remove_suffix(footer.size());
    ASSERT_FALSE(lines.empty());
    while (!lines.empty()) {
        const std::string_view line = lines.substr(0, lines.find('\n'));
        lines.remove_prefix(std::min(lines.size(), line.size() + 1));
        const std::string_view answer = line.substr(0, line.find(' '));
        const bool names_a_port =
            native() ? answer.starts_with("/dev/")
                     : answer.find_first_not_of("0123456789") == std::string_view::npos ||
                           answer.starts_with(R"(\\.\)");
        EXPECT_TRUE(names_a_port) << line;
    }
}

// Under Wine the user's folder is the prefix's, which every test of the run
// shares: these run alone there (tests/CMakeLists.txt).
class UserSettings : public EndToEnd {};

TEST_F(UserSettings, TheUsersOwnFileServesWhenNoneIsBesideTheProgramAndTheOneBesideItWins) {
    const auto& in_users_file = start_radio(sim::model_config(Model::id91));
    const auto& beside_program = start_radio(sim::model_config(Model::id92));
    const std::string memory = varied_memory_file(5);
    const std::string memory_file = write_memory_file(memory);
    write_user_settings(port_of(in_users_file) + "\n");
    launch({memory_file});
    EXPECT_EQ(finish_after(text::kWriteEnd), kWritten);
    EXPECT_NE(program().transcript().find("\nCom:" + port_of(in_users_file) + "\n"),
              std::string::npos)
        << program().transcript();
    EXPECT_EQ(occurrences(program().transcript(), text::kHelp1), 0u);
    expect_whole_memory_written(settle(in_users_file), memory);

    write_settings(port_of(beside_program) + "\n");
    launch({memory_file});
    EXPECT_EQ(finish_after(text::kWriteEnd), kWritten);
    EXPECT_NE(program().transcript().find("\nCom:" + port_of(beside_program) + "\n"),
              std::string::npos)
        << program().transcript();
    expect_whole_memory_written(settle(beside_program), memory);
    EXPECT_EQ(sim::count_of(settle(in_users_file).frames, sim::FrameKind::link_open), 1u);
}

}  // namespace
}  // namespace quillmer::e2e
