#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <source_location>
#include <string>
#include <system_error>
#include <vector>

#include "console/key_events_win32.h"
#include "console/system_console.h"
#include "core/texts.h"
#include "serial/unique_handle_win32.h"

namespace quillmer::console {
namespace {

enum class Feed {
    closed_pipe,  ///< a pipe holding the input, its writing end closed after it
    open_pipe,    ///< a pipe holding the input, its writing end kept open
    file,         ///< a file holding the input: it cannot be peeked like a pipe
    nul,          ///< the NUL device
};

/// A pipe with room for every input and output of these tests, its reading end
/// inheritable so that a child process can be given it.
void make_pipe(UniqueHandle& read_end, UniqueHandle& write_end) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE r = nullptr;
    HANDLE w = nullptr;
    ASSERT_TRUE(CreatePipe(&r, &w, &inherit, 1 << 16));
    read_end.reset(r);
    write_end.reset(w);
    SetHandleInformation(write_end.get(), HANDLE_FLAG_INHERIT, 0);
}

void write_to(HANDLE handle, const std::string& bytes) {
    DWORD wrote = 0;
    if (!bytes.empty()) {
        ASSERT_TRUE(
            WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr));
    }
    ASSERT_EQ(wrote, bytes.size());
}

/// Makes standard input hold `input` as `feed` says while it lives.
class InputFeed {
  public:
    InputFeed(Feed feed, const std::string& input) : saved_(GetStdHandle(STD_INPUT_HANDLE)) {
        if (feed == Feed::file) {
            const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
            file_ = std::filesystem::temp_directory_path() /
                    (std::string("quillmer-input-") + test->name() + "-" +
                     std::to_string(GetCurrentProcessId()) + ".txt");
            std::FILE* out = std::fopen(file_.string().c_str(), "wb");
            EXPECT_NE(out, nullptr);
            if (out == nullptr) return;
            std::fwrite(input.data(), 1, input.size(), out);
            std::fclose(out);
        }
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        switch (feed) {
            case Feed::closed_pipe:
            case Feed::open_pipe:
                make_pipe(read_end_, write_end_);
                write_to(write_end_.get(), input);
                if (feed == Feed::closed_pipe) write_end_.reset();
                break;
            case Feed::file:
                read_end_.reset(CreateFileA(file_.string().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            &inherit, OPEN_EXISTING, 0, nullptr));
                break;
            case Feed::nul:
                read_end_.reset(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            &inherit, OPEN_EXISTING, 0, nullptr));
                break;
        }
        EXPECT_TRUE(read_end_.valid());
        SetStdHandle(STD_INPUT_HANDLE, read_end_.get());
    }
    ~InputFeed() {
        SetStdHandle(STD_INPUT_HANDLE, saved_);
        read_end_.reset();
        if (!file_.empty()) {
            std::error_code ignored;
            std::filesystem::remove(file_, ignored);
        }
    }
    InputFeed(const InputFeed&) = delete;
    InputFeed& operator=(const InputFeed&) = delete;

  private:
    HANDLE saved_;
    UniqueHandle read_end_;
    UniqueHandle write_end_;
    std::filesystem::path file_;
};

/// Runs `checks` with standard input holding `input`, in a process of its own
/// so that the console's state (the latched end of input above all) starts
/// afresh. That process is a death-test child: it runs the test again up to
/// here, and so makes its own standard input the same way before the checks.
void expect_with_input(Feed feed, const std::string& input, const std::function<bool()>& checks,
                       std::source_location where = std::source_location::current()) {
    const ::testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()),
                                       ::testing::Message()
                                           << "input feed " << static_cast<int>(feed));
    InputFeed in(feed, input);
    EXPECT_EXIT(std::exit(checks() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

/// For the checks: true when the next key is `want`; tells otherwise.
bool key_is(int want) {
    const int got = console::read_key();
    if (got != want) std::fprintf(stderr, "key %d where %d was expected\n", got, want);
    return got == want;
}

/// True when a key is found waiting within two seconds. The reader thread for
/// input that cannot be peeked fetches a byte only when asked.
bool key_arrives() {
    for (int polls = 0; polls < 200; ++polls) {
        if (console::key_waiting()) return true;
        Sleep(10);
    }
    std::fprintf(stderr, "no key waiting\n");
    return false;
}

bool line_is(console::LineStatus want_status, const std::string& want) {
    std::string line;
    const console::LineStatus status = console::read_line(line);
    if (status != want_status || line != want) {
        std::fprintf(stderr, "line \"%s\" (status %d) where \"%s\" was expected\n", line.c_str(),
                     static_cast<int>(status), want.c_str());
        return false;
    }
    return true;
}

TEST(ConsoleKeys, EscCtrlCAndArrowKeysFromAPipe) {
    expect_with_input(Feed::closed_pipe, "\x1b", [] {
        return console::key_waiting() && key_is(27) && !console::key_waiting();
    });
    expect_with_input(Feed::closed_pipe, "\x03", [] { return key_is(3); });
    // An arrow key is a key without a character: 0, then a code that is
    // neither Ctrl-C nor Esc.
    expect_with_input(Feed::closed_pipe, "\x1b[A\x1bOP",
                      [] { return key_is(0) && key_is(72) && key_is(0) && key_is(59); });
    // Esc followed by an ordinary key is Esc, and the key stays for later.
    expect_with_input(Feed::closed_pipe, "\x1bx", [] { return key_is(27) && key_is('x'); });
}

TEST(ConsoleKeys, EndOfInputNeverHangsAKeyWait) {
    for (Feed feed : {Feed::closed_pipe, Feed::file, Feed::nul}) {
        expect_with_input(feed, "", [] {
            if (console::key_waiting()) return false;
            if (!key_is(kEndOfInput)) return false;
            console::wait_key();  // returns at once
            return key_is(kEndOfInput) && !console::key_waiting();
        });
    }
    expect_with_input(Feed::closed_pipe, "k", [] {
        console::wait_key();
        return key_is(kEndOfInput);
    });
}

TEST(ConsoleKeys, AnOpenEmptyPipeHasNoKeyWaiting) {
    expect_with_input(Feed::open_pipe, "",
                      [] { return !console::key_waiting() && !console::key_waiting(); });
}

TEST(ConsoleKeys, KeysFromInputThatCannotBePeeked) {
    expect_with_input(Feed::file, "\x1b[B\x03\x1b", [] {
        return key_arrives() && key_is(0) && key_is(80) && key_arrives() && key_is(3) &&
               key_is(27) && key_is(kEndOfInput) && !console::key_waiting();
    });
}

TEST(ConsoleLines, TypedLinesWithoutTheirBreaks) {
    expect_with_input(Feed::closed_pipe, "7\r\n\n\\\\.\\CNCA0\nlast", [] {
        using console::LineStatus;
        return line_is(LineStatus::ok, "7") && line_is(LineStatus::ok, "") &&
               line_is(LineStatus::ok, "\\\\.\\CNCA0") && line_is(LineStatus::ok, "last") &&
               line_is(LineStatus::end_of_input, "");
    });
}

TEST(ConsoleLines, LongLinesAreReadToTheirEnd) {
    const std::string input = std::string(255, '9') + "\n" + std::string(1000, '8') + "\n3\n";
    for (Feed feed : {Feed::closed_pipe, Feed::file}) {
        expect_with_input(feed, input, [] {
            using console::LineStatus;
            return line_is(LineStatus::ok, std::string(255, '9')) &&
                   line_is(LineStatus::too_long, std::string(255, '8')) &&
                   line_is(LineStatus::ok, "3") && line_is(LineStatus::end_of_input, "");
        });
    }
}

TEST(ConsoleLines, BytesAfterALineStayForTheKeys) {
    for (Feed feed : {Feed::closed_pipe, Feed::open_pipe, Feed::file}) {
        expect_with_input(feed, "7\n\x1b", [] {
            return line_is(console::LineStatus::ok, "7") && key_arrives() && key_is(27);
        });
    }
}

INPUT_RECORD key_event(WORD virtual_key, WORD scan_code, wchar_t c, bool down = true) {
    INPUT_RECORD event{};
    event.EventType = KEY_EVENT;
    event.Event.KeyEvent.bKeyDown = down;
    event.Event.KeyEvent.wRepeatCount = 1;
    event.Event.KeyEvent.wVirtualKeyCode = virtual_key;
    event.Event.KeyEvent.wVirtualScanCode = scan_code;
    event.Event.KeyEvent.uChar.UnicodeChar = c;
    return event;
}

std::vector<int> codes_of(const INPUT_RECORD& event) {
    const console::KeyCodes key = console::key_codes(event);
    return {key.codes.begin(), key.codes.begin() + static_cast<std::ptrdiff_t>(key.count)};
}

TEST(ConsoleKeyEvents, OnlyPressesOfKeysWithACodeCount) {
    EXPECT_EQ(codes_of(key_event(VK_SHIFT, 42, 0)), std::vector<int>{});
    EXPECT_EQ(codes_of(key_event(VK_CONTROL, 29, 0)), std::vector<int>{});
    EXPECT_EQ(codes_of(key_event(VK_MENU, 56, 0)), std::vector<int>{});
    EXPECT_EQ(codes_of(key_event(VK_CAPITAL, 58, 0)), std::vector<int>{});
    EXPECT_EQ(codes_of(key_event(VK_LWIN, 91, 0)), std::vector<int>{});
    EXPECT_EQ(codes_of(key_event('X', 45, L'x', false)), std::vector<int>{});
    EXPECT_EQ(codes_of(key_event(VK_UP, 72, 0, false)), std::vector<int>{});

    INPUT_RECORD mouse{};
    mouse.EventType = MOUSE_EVENT;
    mouse.Event.MouseEvent.dwButtonState = FROM_LEFT_1ST_BUTTON_PRESSED;
    EXPECT_EQ(codes_of(mouse), std::vector<int>{});
    INPUT_RECORD focus{};
    focus.EventType = FOCUS_EVENT;
    focus.Event.FocusEvent.bSetFocus = TRUE;
    EXPECT_EQ(codes_of(focus), std::vector<int>{});
}

TEST(ConsoleKeyEvents, CharactersOrZeroAndTheScanCode) {
    EXPECT_EQ(codes_of(key_event('X', 45, L'x')), std::vector<int>{'x'});
    // Esc is 27 also where the console gives it no character (Wine on a
    // terminal, remote tools).
    EXPECT_EQ(codes_of(key_event(VK_ESCAPE, 1, 27)), std::vector<int>{27});
    EXPECT_EQ(codes_of(key_event(VK_ESCAPE, 1, 0)), std::vector<int>{27});
    EXPECT_EQ(codes_of(key_event('C', 46, 3)), std::vector<int>{3});  // Ctrl-C
    EXPECT_EQ(codes_of(key_event(VK_RETURN, 28, L'\r')), std::vector<int>{13});
    // Keys without a character: 0, then the scan code, never 3 or 27.
    const std::vector<std::pair<WORD, WORD>> keys{
        {VK_UP, 72},    {VK_DOWN, 80},  {VK_LEFT, 75}, {VK_RIGHT, 77},  {VK_HOME, 71},
        {VK_END, 79},   {VK_PRIOR, 73}, {VK_NEXT, 81}, {VK_INSERT, 82}, {VK_DELETE, 83},
        {VK_CLEAR, 76}, {VK_F1, 59},    {VK_F10, 68},  {VK_F11, 87},    {VK_F12, 88}};
    for (const auto& [virtual_key, scan_code] : keys) {
        EXPECT_EQ(codes_of(key_event(virtual_key, scan_code, 0)), (std::vector<int>{0, scan_code}))
            << "virtual key " << virtual_key;
    }
}

/// Standard output sent into a pipe while it lives; what was written, after.
class OutputCapture {
  public:
    OutputCapture() : saved_(GetStdHandle(STD_OUTPUT_HANDLE)) {
        make_pipe(read_end_, write_end_);
        SetStdHandle(STD_OUTPUT_HANDLE, write_end_.get());
    }
    ~OutputCapture() { SetStdHandle(STD_OUTPUT_HANDLE, saved_); }
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    std::string take() {
        SetStdHandle(STD_OUTPUT_HANDLE, saved_);
        write_end_.reset();
        std::string got;
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(read_end_.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) {
            got.append(buffer, n);
        }
        return got;
    }

  private:
    HANDLE saved_;
    UniqueHandle read_end_;
    UniqueHandle write_end_;
};

TEST(ConsoleOutput, RedirectedTextsAreShiftJisAndRawBytesStayAsTheyAre) {
    OutputCapture capture;
    console::print(texts::kOpenError);
    console::print("Com:7\n");
    console::print_raw("C:\\\x83\x76\\quillmer.ini");
    console::print(texts::kSpinner[0]);
    console::print("\r");
    // The Shift_JIS bytes from a code page 932 table outside this program.
    EXPECT_EQ(capture.take(),
              "\x83\x49\x81\x5b\x83\x76\x83\x93\x81\x45\x83\x47\x83\x89\x81\x5b\x0a"
              "Com:7\n"
              "C:\\\x83\x76\\quillmer.ini"
              "\x84\xa0\r");
}

TEST(ConsoleOutput, TextsWithoutAShiftJisFormStayUnchanged) {
    // No look-alike in place of a character that code page 932 lacks.
    EXPECT_EQ(console::to_shift_jis("caf\xc3\xa9"), "caf\xc3\xa9");
    EXPECT_EQ(console::to_shift_jis("\xe2\x94\x82 caf\xc3\xa9"), "\xe2\x94\x82 caf\xc3\xa9");
    // Bytes that are no UTF-8 at all.
    EXPECT_EQ(console::to_shift_jis("\xff\xfe"), "\xff\xfe");
    EXPECT_EQ(console::to_shift_jis(""), "");
}

}  // namespace
}  // namespace quillmer::console
