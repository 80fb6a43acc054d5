#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "console/system_console.h"

namespace quillmer::console {
namespace {

/// Runs `body` in a child process whose standard input is a pipe holding
/// `input`, closed after it (or kept open when `keep_open`); the console's state
/// is the child's own. The child's exit status: 0 when every check in it held.
int with_input(const std::string& input, const std::function<bool()>& body,
               bool keep_open = false) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    // The bytes are in the pipe before the child looks: a key test never races
    // the writer. (The inputs here are far below a pipe's capacity.)
    if (!input.empty() && ::write(fds[1], input.data(), input.size()) < 0) return -1;
    if (!keep_open) ::close(fds[1]);
    const pid_t child = fork();
    if (child == 0) {
        dup2(fds[0], STDIN_FILENO);
        ::close(fds[0]);
        if (keep_open) ::close(fds[1]);
        alarm(10);  // a hang fails the test instead of stopping the suite
        _exit(body() ? 0 : 1);
    }
    ::close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (keep_open) ::close(fds[1]);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(ConsoleKeys, EscCtrlCAndArrowKeysFromAPipe) {
    EXPECT_EQ(with_input("\x1b",
                         [] {
                             return console::key_waiting() && console::read_key() == 27 &&
                                    !console::key_waiting();
                         }),
              0);
    EXPECT_EQ(with_input("\x03", [] { return console::read_key() == 3; }), 0);
    // An arrow key is a key without a character: 0, then a code that is
    // neither Ctrl-C nor Esc.
    EXPECT_EQ(with_input("\x1b[A\x1bOP",
                         [] {
                             const int a = console::read_key();
                             const int b = console::read_key();
                             const int c = console::read_key();
                             const int d = console::read_key();
                             return a == 0 && b != 3 && b != 27 && b > 0 && c == 0 && d != 3 &&
                                    d != 27;
                         }),
              0);
    // Esc followed by an ordinary key is Esc, and the key stays for later.
    EXPECT_EQ(
        with_input("\x1bx", [] { return console::read_key() == 27 && console::read_key() == 'x'; }),
        0);
}

TEST(ConsoleKeys, EndOfInputNeverHangsAKeyWait) {
    EXPECT_EQ(with_input("",
                         [] {
                             if (console::key_waiting()) return false;
                             if (console::read_key() != kEndOfInput) return false;
                             console::wait_key();  // returns at once
                             return console::read_key() == kEndOfInput && !console::key_waiting();
                         }),
              0);
    EXPECT_EQ(with_input("k",
                         [] {
                             console::wait_key();
                             return console::read_key() == kEndOfInput;
                         }),
              0);
}

TEST(ConsoleKeys, AnOpenEmptyPipeHasNoKeyWaiting) {
    EXPECT_EQ(with_input(
                  "", [] { return !console::key_waiting(); }, true),
              0);
}

TEST(ConsoleLines, TypedLinesWithoutTheirBreaks) {
    EXPECT_EQ(with_input("7\r\n\n/dev/ttyUSB0\nlast",
                         [] {
                             std::string line;
                             using console::LineStatus;
                             return console::read_line(line) == LineStatus::ok && line == "7" &&
                                    console::read_line(line) == LineStatus::ok && line.empty() &&
                                    console::read_line(line) == LineStatus::ok &&
                                    line == "/dev/ttyUSB0" &&
                                    console::read_line(line) == LineStatus::ok && line == "last" &&
                                    console::read_line(line) == LineStatus::end_of_input;
                         }),
              0);
}

TEST(ConsoleLines, LongLinesAreReadToTheirEnd) {
    const std::string exact(255, '9');
    const std::string longer(1000, '8');
    EXPECT_EQ(with_input(exact + "\n" + longer + "\n3\n",
                         [&] {
                             std::string line;
                             using console::LineStatus;
                             return console::read_line(line) == LineStatus::ok && line == exact &&
                                    console::read_line(line) == LineStatus::too_long &&
                                    console::read_line(line) == LineStatus::ok && line == "3";
                         }),
              0);
}

}  // namespace
}  // namespace quillmer::console
