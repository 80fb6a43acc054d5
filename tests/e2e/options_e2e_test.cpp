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
        const int ended = run.wait_exit();
        EXPECT_NE(ended, ProgramRun::kTimedOut) << run.transcript();
        return ended;
    }
};

TEST_F(Options, HelpAndVersionAnswerAtOnceAndAnUnknownOptionIsNoFileName) {
    EXPECT_EQ(run_to_end({"--help"}), status(ExitStatus::written));
    EXPECT_TRUE(program().transcript().starts_with(kUsageStart)) << program().transcript();
    EXPECT_NE(program().transcript().find("\nExit status:\n"), std::string::npos);

    EXPECT_EQ(run_to_end({"--version"}), status(ExitStatus::written));
    EXPECT_TRUE(program().transcript().starts_with("quillmer 0.")) << program().transcript();

    EXPECT_EQ(run_to_end({"--bogus", "memory.csv"}), status(ExitStatus::usage));
    const std::string refused = program().transcript();
    EXPECT_TRUE(refused.starts_with("Unknown option --bogus")) << refused;
    EXPECT_NE(refused.find(kUsageStart), std::string::npos);
    EXPECT_EQ(occurrences(refused, texts::kTitle), 0u) << "the run went on";
}

TEST_F(Options, AMemoryFileNamedLikeAnOptionComesAfterTheDoubleDash) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const std::string memory = varied_memory_file(7);
    write_memory_file(memory, "-x.csv");
    write_settings(port_of(radio) + "\n");
    // A name relative to the program's directory, where the file is.
    launch({"--", "-x.csv"});
    finish_written(radio, memory);
}

TEST_F(Options, ThePortOptionIsTheSettingsLineAndNothingIsAsked) {
    const auto& radio = start_radio(sim::model_config(Model::id92));
    const std::string memory = varied_memory_file(7);
    ProgramRun& run = launch({"--port", port_of(radio), write_memory_file(memory)});
    finish_written(radio, memory);
    const std::string transcript = run.transcript();
    EXPECT_NE(transcript.find("\nCom:" + port_of(radio) + "\n"), std::string::npos) << transcript;
    EXPECT_EQ(occurrences(transcript, texts::kSettingsHelp1), 0u);
    EXPECT_EQ(occurrences(transcript, texts::kPortPrompt), 0u);
}

TEST_F(Options, APortThatDoesNotOpenEndsTheRunWithItsPathAndWhy) {
    struct Case {
        std::string port;
        std::string why;
    };
    const std::string missing = native() ? "/dev/quillmer-no-such-port" : R"(\\.\QUILLMER9)";
    const Case cases[] = {
        {"4000", no_such_port_line(4000)},
        {missing, missing + " does not exist: is the cable plugged in?" + std::string(kListHint)},
    };
    const std::string memory_file = write_memory_file(varied_memory_file(3));
    for (const Case& c : cases) {
        EXPECT_EQ(run_to_end({"--port=" + c.port, memory_file}), status(ExitStatus::no_port));
        const std::string transcript = program().transcript();
        EXPECT_TRUE(
            transcript.ends_with("Com:" + c.port + "\n" + std::string(texts::kOpenError) + c.why))
            << testing::PrintToString(transcript);
        EXPECT_EQ(occurrences(transcript, texts::kPortPrompt), 0u);
    }
}

TEST_F(Options, APortWithoutARadioEndsTheRunAfterTheCallsSayingWhatCameBack) {
    sim::RadioConfig echoing = sim::model_config(Model::id91);  // the radio answers as well
    echoing.line.echo = true;
    for (const sim::RadioConfig& config : {silent_id91(), echoing}) {
        const auto& radio = start_radio(config);
        EXPECT_EQ(run_to_end({"--port", port_of(radio), write_memory_file(varied_memory_file(3))}),
                  status(ExitStatus::no_port));
        const std::string transcript = program().transcript();
        const std::string echoed =
            "What came back on " + named(radio) + " holds copies of this program's own calls";
        EXPECT_EQ(occurrences(transcript, std::string(texts::kNoResponse) +
                                              (config.silent ? nothing_answered(radio) : echoed)),
                  1u)
            << testing::PrintToString(transcript);
        EXPECT_EQ(occurrences(transcript, texts::kPortPrompt), 0u);
    }
}

TEST_F(Options, APortThatIsNoSerialPortIsNamed) {
    const std::string device = native() ? "/dev/null" : R"(\\.\NUL)";
    EXPECT_EQ(run_to_end({"--port", device, write_memory_file(varied_memory_file(3))}),
              status(ExitStatus::port_settings_refused));
    EXPECT_TRUE(program().transcript().ends_with(
        std::string(texts::kDcbError) + device +
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
              status(ExitStatus::no_port));
    EXPECT_TRUE(program().transcript().ends_with(
        std::string(texts::kOpenError) + radio.slave_path() +
        " is in use by another program: close that program and try again.\n"))
        << testing::PrintToString(program().transcript());
    EXPECT_TRUE(radio.frames().empty());
}

TEST_F(Options, APortThisUserMayNotOpenNamesTheGroupToJoinWhereThatHelps) {
    if (!native()) GTEST_SKIP() << "Windows has no device groups";
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root can run the program as another user (nobody) against a "
                        "device that user may not open";
    }
    const group* dialout = getgrnam("dialout");
    if (dialout == nullptr) GTEST_SKIP() << "no group dialout here";
    const auto& radio = start_radio(sim::model_config(Model::id91));

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

    const std::string device = radio.slave_path();
    struct Case {
        gid_t group;
        mode_t mode;
        const char* advice;
    };
    // As udev makes a serial port: the dialout group may use it, others not. Then
    // a device only root may open, whose group it would not help to join.
    for (const Case& c : {Case{dialout->gr_gid, 0660,
                               "this user must be in the group dialout, "
                               "which owns it: sudo usermod -aG dialout"},
                          Case{0, 0600, "only its owner, root, may open it. A udev rule"}}) {
        ASSERT_EQ(chown(device.c_str(), 0, c.group), 0);
        ASSERT_EQ(chmod(device.c_str(), c.mode), 0);
        EXPECT_EQ(run_to_end({"--port", device, memory_file}), status(ExitStatus::no_port));
        EXPECT_EQ(occurrences(program().transcript(), std::string(texts::kOpenError) +
                                                          "Permission denied on " + device + ": " +
                                                          c.advice),
                  1u)
            << testing::PrintToString(program().transcript());
    }
    EXPECT_TRUE(radio.frames().empty());
}

TEST_F(Options, PortsListsOnePortALineOrSaysWhatToCheck) {
    EXPECT_EQ(run_to_end({"--ports"}), status(ExitStatus::written));
    const std::string listed = program().transcript();
    EXPECT_EQ(occurrences(listed, texts::kTitle), 0u);
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
    // A whole run into the radio the settings name.
    const auto run_into = [&](const sim::Simulator& radio) {
        launch({memory_file});
        finish_written(radio, memory);
        EXPECT_NE(program().transcript().find("\nCom:" + port_of(radio) + "\n"),
                  std::string::npos)
            << program().transcript();
    };
    write_user_settings(port_of(in_users_file) + "\n");
    run_into(in_users_file);
    EXPECT_EQ(occurrences(program().transcript(), texts::kSettingsHelp1), 0u);

    write_settings(port_of(beside_program) + "\n");
    run_into(beside_program);
    EXPECT_EQ(sim::count_of(settle(in_users_file).frames, sim::FrameKind::link_open), 1u);
}

}  // namespace
}  // namespace quillmer::e2e
