// quillmer-console-driver: a keyboard and an eye for a console program. It
// starts the program in a hidden console of its own, attaches to that console,
// types at it with key events as a keyboard does and reads its screen back,
// following a script of steps. The console tests under Wine run quillmer.exe
// through it: the only way there to reach the program's real console path
// (console key events, a typed line, WriteConsoleW) without a window.
//
//   quillmer-console-driver [--script FILE | STEP...] -- PROGRAM [ARGUMENT...]
//
// A step is a word and, for some, its argument after one space (a script file
// holds one step a line, in UTF-8; empty lines and lines starting with # are
// skipped). In a TEXT, \n stands for a line break (the next row of the screen,
// or Enter when typed) and \\ for a backslash.
//
//   timeout MS     later waits give up after MS milliseconds (at first 30000)
//   wait TEXT      waits until the screen shows TEXT
//   absent TEXT    the screen does not show TEXT now
//   type TEXT      types TEXT, a key press and release for each character
//   key NAME       presses a key: esc, esc-nochar (Esc giving no character, as
//                  some consoles report it), ctrl-c, enter, up, f1, or one
//                  character
//   ctrl-c-event   sends a Ctrl-C console event to the program's console
//   drained        waits until the program has read every key event typed
//   running        the program has not ended
//   exit N         waits until the program ends and checks its status is N
//   screen         prints the screen between the lines "--- screen" and "--- end"
//
// The driver prints a line for each step done. When a step fails it prints why
// and the screen, ends the program and exits with 1; 2 when it cannot start.

#include "tests/wine_console/console_io.h"

#include <shellapi.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace quillmer::console_driver {
namespace {

constexpr int kFailed = 1;
constexpr int kCannotStart = 2;
constexpr DWORD kDefaultTimeoutMs = 30000;

struct Step {
    std::string word;
    std::string argument;  ///< escapes resolved
    int origin = 0;        ///< its line in the script, or its place on the command line
};

std::string resolve_escapes(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
            out += text[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

Step parse_step(std::string_view line, int origin) {
    Step step;
    step.origin = origin;
    const std::size_t space = line.find(' ');
    step.word = std::string(line.substr(0, space));
    if (space != std::string_view::npos) step.argument = resolve_escapes(line.substr(space + 1));
    return step;
}

bool read_script(const std::wstring& path, std::vector<Step>& steps) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) return false;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        steps.push_back(parse_step(line, number));
    }
    return true;
}

/// One argument for a Windows command line, quoted as the C runtime reads it.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, L'\\');
    return out + L"\"";
}

class Driver {
  public:
    Driver(Report& report, Child& child) : report_(report), child_(child) {}

    /// Runs `step`; false, with the reason reported, when it failed.
    bool run(const Step& step) {
        const std::string& w = step.word;
        const std::string& a = step.argument;
        if (w == "timeout") {
            char* end = nullptr;
            const unsigned long ms = std::strtoul(a.c_str(), &end, 10);
            if (a.empty() || *end != '\0' || ms == 0) return fail("not a time in milliseconds");
            timeout_ms_ = static_cast<DWORD>(ms);
            return true;
        }
        if (w == "wait") return wait_for_text(a);
        if (w == "absent") {
            return child_.screen().find(widen(a)) == std::wstring::npos ||
                   fail("on the screen already");
        }
        if (w == "type") return child_.type(widen(a)) || fail("the keys could not be written");
        if (w == "key") return press(a);
        if (w == "ctrl-c-event") {
            return child_.ctrl_c_event() || fail("no Ctrl-C event could be sent");
        }
        if (w == "drained") {
            return child_.wait_drained(timeout_ms_) ||
                   fail("key events still unread after " + std::to_string(timeout_ms_) + " ms");
        }
        if (w == "running") return child_.running() || fail("the program has ended");
        if (w == "exit") return check_exit(a);
        if (w == "screen") {
            report_.screen(child_.screen());
            return true;
        }
        return fail("unknown step \"" + w + "\"");
    }

    const std::string& failure() const { return failure_; }

  private:
    bool fail(std::string why) {
        failure_ = std::move(why);
        return false;
    }

    bool wait_for_text(const std::string& text) {
        const std::wstring wanted = widen(text);
        const ULONGLONG deadline = GetTickCount64() + timeout_ms_;
        for (;;) {
            if (child_.screen().find(wanted) != std::wstring::npos) return true;
            if (GetTickCount64() >= deadline) {
                return fail("not on the screen after " + std::to_string(timeout_ms_) + " ms");
            }
            Sleep(10);
        }
    }

    bool press(const std::string& name) {
        const std::optional<std::vector<INPUT_RECORD>> keys = key_events(widen(name));
        if (!keys) return fail("no key is named \"" + name + "\"");
        return child_.write_input(*keys) || fail("the key could not be written");
    }

    bool check_exit(const std::string& wanted) {
        const std::optional<DWORD> status = child_.wait_exit(timeout_ms_);
        if (!status) return fail("still running after " + std::to_string(timeout_ms_) + " ms");
        if (std::to_string(*status) == wanted) return true;
        return fail("exit status " + std::to_string(*status) + " where " + wanted +
                    " was expected");
    }

    Report& report_;
    Child& child_;
    DWORD timeout_ms_ = kDefaultTimeoutMs;
    std::string failure_;
};

int run_driver() {
    Report report;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr) return kCannotStart;
    std::vector<std::wstring> args(argv + 1, argv + argc);
    LocalFree(argv);

    std::vector<Step> steps;
    std::size_t at = 0;
    if (at + 1 < args.size() && args[at] == L"--script") {
        if (!read_script(args[at + 1], steps)) {
            report.line("cannot read the script " + narrow(args[at + 1]));
            return kCannotStart;
        }
        at += 2;
    }
    for (; at < args.size() && args[at] != L"--"; ++at) {
        steps.push_back(parse_step(narrow(args[at]), static_cast<int>(at) + 1));
    }
    if (at + 1 >= args.size()) {
        report.line("usage: quillmer-console-driver [--script FILE | STEP...] -- PROGRAM [ARG...]");
        return kCannotStart;
    }
    std::wstring command_line;
    for (std::size_t i = at + 1; i < args.size(); ++i) {
        if (!command_line.empty()) command_line += L' ';
        command_line += quoted(args[i]);
    }

    Child child;
    if (const std::string error = child.start(command_line); !error.empty()) {
        report.line("cannot start " + narrow(command_line) + ": " + error);
        return kCannotStart;
    }
    Driver driver(report, child);
    for (const Step& step : steps) {
        std::string shown = step.word;
        if (!step.argument.empty()) shown.append(" ").append(printable(step.argument));
        if (!driver.run(step)) {
            report.line("FAILED step " + std::to_string(step.origin) + ": " + shown + ": " +
                        driver.failure());
            report.screen(child.screen());
            return kFailed;
        }
        report.line("ok " + shown);
    }
    if (child.running()) {
        report.line("FAILED: the program still runs after the last step");
        report.screen(child.screen());
        return kFailed;
    }
    return 0;
}

}  // namespace
}  // namespace quillmer::console_driver

int main() {
    return quillmer::console_driver::run_driver();
}
