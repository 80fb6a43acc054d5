#include "tests/e2e/program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include "sim/openpty.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX has programs declare it

namespace quillmer::e2e {

namespace {

/// The path execve needs for a command word: as given when it holds a '/',
/// otherwise the first executable of that name on PATH.
std::string resolve_command(const std::string& word) {
    if (word.find('/') != std::string::npos) return word;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "/usr/bin:/bin";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        const std::string dir(dirs.substr(0, colon));
        dirs = colon == std::string_view::npos ? std::string_view{} : dirs.substr(colon + 1);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + word;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    throw std::runtime_error("command not found on PATH: " + word);
}

/// The parent's environment with the launcher's changes applied.
std::vector<std::string> child_environment(const std::vector<std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    for (const std::string& change : changes) {
        const std::size_t eq = change.find('=');
        const std::string name = change.substr(0, eq);
        std::erase_if(env, [&](const std::string& entry) {
            return entry.compare(0, name.size() + 1, name + "=") == 0;
        });
        if (eq != std::string::npos) env.push_back(change);
    }
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& words) {
    std::vector<char*> result;
    for (std::string& w : words) result.push_back(w.data());
    result.push_back(nullptr);
    return result;
}

/// Only async-signal-safe calls from here on: the parent has threads.
[[noreturn]] void exec_child(const char* dir, const char* file, char* const argv[],
                             char* const envp[]) {
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    sigemptyset(&default_action.sa_mask);
    // The suite ignores SIGPIPE; the program must start with the usual actions.
    sigaction(SIGPIPE, &default_action, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (chdir(dir) != 0) _exit(126);
    execve(file, argv, envp);
    _exit(127);
}

void write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the program has gone: nobody reads any more
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace

std::size_t occurrences(std::string_view in, std::string_view text) {
    if (text.empty()) return 0;
    std::size_t count = 0;
    for (std::size_t at = in.find(text); at != std::string_view::npos;
         at = in.find(text, at + text.size())) {
        ++count;
    }
    return count;
}

std::unique_ptr<ProgramRun> ProgramRun::start(const Launcher& launcher,
                                              const std::filesystem::path& copy,
                                              const std::vector<std::string>& args) {
    static const bool sigpipe_ignored = [] {
        // A program that has ended must not kill the suite when a test types.
        std::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)sigpipe_ignored;

    std::vector<std::string> argv = launcher.argv_prefix;
    argv.push_back(copy.string());
    argv.insert(argv.end(), args.begin(), args.end());
    const std::string file = resolve_command(argv.front());
    std::vector<std::string> env = child_environment(launcher.environment);
    std::vector<char*> argv_ptrs = pointers(argv);
    std::vector<char*> env_ptrs = pointers(env);
    const std::string dir = copy.parent_path().string();

    std::unique_ptr<ProgramRun> run(new ProgramRun);
    run->stdio_ = launcher.stdio;
    run->console_text_ = std::make_unique<Decoder>(launcher.output_encoding);
    run->error_text_ = std::make_unique<Decoder>(launcher.output_encoding);
    if (launcher.stdio == Stdio::pty) {
        winsize size{};
        size.ws_row = 24;
        size.ws_col = 80;
        int master = -1;
        const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
        if (pid < 0) throw std::runtime_error(std::string("forkpty: ") + std::strerror(errno));
        if (pid == 0) {
            // The transcript is to hold exactly the bytes the program wrote.
            termios t{};
            if (tcgetattr(STDIN_FILENO, &t) == 0) {
                t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
                tcsetattr(STDIN_FILENO, TCSANOW, &t);
            }
            exec_child(dir.c_str(), file.c_str(), argv_ptrs.data(), env_ptrs.data());
        }
        fcntl(master, F_SETFD, FD_CLOEXEC);
        run->pid_ = pid;
        run->console_ = sim::Fd(master);
    } else {
        const auto make_pipe = [](sim::Fd& read_end, sim::Fd& write_end) {
            int fds[2];
            if (pipe(fds) != 0 || fcntl(fds[0], F_SETFD, FD_CLOEXEC) != 0 ||
                fcntl(fds[1], F_SETFD, FD_CLOEXEC) != 0) {
                throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
            }
            read_end = sim::Fd(fds[0]);
            write_end = sim::Fd(fds[1]);
        };
        sim::Fd in_read;
        sim::Fd out_write;
        sim::Fd err_write;
        make_pipe(in_read, run->input_);
        make_pipe(run->console_, out_write);
        make_pipe(run->error_, err_write);
        const pid_t pid = fork();
        if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
        if (pid == 0) {
            // A session of its own: no controlling terminal, and a group the test
            // can kill as a whole.
            setsid();
            dup2(in_read.get(), STDIN_FILENO);
            dup2(out_write.get(), STDOUT_FILENO);
            dup2(err_write.get(), STDERR_FILENO);
            exec_child(dir.c_str(), file.c_str(), argv_ptrs.data(), env_ptrs.data());
        }
        run->pid_ = pid;
    }
    run->reader_ = std::thread([r = run.get()] { r->read_loop(); });
    return run;
}

ProgramRun::~ProgramRun() {
    if (pid_ > 0 && !reaped_) {
        kill_group();
        waitpid(pid_, &status_, 0);
        reaped_ = true;
    }
    stop_reader();
}

void ProgramRun::kill_group() const {
    if (pid_ <= 0) return;  // never started: nothing of ours to end
    // forkpty and setsid made the child the leader of a group of its own.
    if (::kill(-pid_, SIGKILL) != 0) ::kill(pid_, SIGKILL);
}

void ProgramRun::read_loop() {
    const int fds[2] = {console_.get(), error_.get()};
    bool open[2] = {true, error_.valid()};
    char buffer[4096];
    while (open[0] || open[1]) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) break;
        }
        pollfd p[2] = {{open[0] ? fds[0] : -1, POLLIN, 0}, {open[1] ? fds[1] : -1, POLLIN, 0}};
        const int ready = poll(p, 2, 100);
        if (ready < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (!open[i] || p[i].revents == 0) continue;
            const ssize_t n = ::read(fds[i], buffer, sizeof buffer);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            Decoder& decoder = i == 0 ? *console_text_ : *error_text_;
            const std::string text =
                n <= 0 ? decoder.finish()
                       : decoder.decode(std::string_view(buffer, static_cast<std::size_t>(n)));
            std::lock_guard lock(mutex_);
            // A terminal whose program has gone reads EIO; a pipe reads 0.
            if (n <= 0) open[i] = false;
            (i == 0 ? transcript_ : errors_) += text;
        }
        changed_.notify_all();
    }
    std::lock_guard lock(mutex_);
    console_closed_ = true;
    changed_.notify_all();
}

void ProgramRun::stop_reader() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    if (reader_.joinable()) reader_.join();
}

std::string ProgramRun::transcript() const {
    std::lock_guard lock(mutex_);
    return transcript_;
}

std::string ProgramRun::errors() const {
    std::lock_guard lock(mutex_);
    return errors_;
}

testing::AssertionResult ProgramRun::wait_for(const std::function<bool(std::string_view)>& done,
                                              std::chrono::milliseconds timeout,
                                              std::string_view what) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool closed = false;
    do {
        std::unique_lock lock(mutex_);
        // Short steps, so that the program's end is seen while nothing comes.
        changed_.wait_for(lock, 100ms, [&] { return done(transcript_) || console_closed_; });
        if (done(transcript_)) return testing::AssertionSuccess();
        closed = console_closed_;
    } while (!closed && !ended(kAfterEnd) && std::chrono::steady_clock::now() < deadline);
    // The console closes as the program ends: give its end a moment to be seen.
    for (int look = 0; closed && look < 100 && !ended(); ++look) std::this_thread::sleep_for(10ms);
    return testing::AssertionFailure() << "awaited on the program's console: " << what << "; but "
                                       << (closed    ? "the console closed"
                                           : ended() ? "the program ended"
                                                     : "the time ran out")
                                       << ".\n"
                                       << how_it_stands();
}

testing::AssertionResult ProgramRun::wait_for_text(std::string_view text, std::size_t count,
                                                   std::chrono::milliseconds timeout) {
    return wait_for([&](std::string_view t) { return occurrences(t, text) >= count; }, timeout,
                    testing::PrintToString(std::string(text)) + " x" + std::to_string(count));
}

bool ProgramRun::ended(std::chrono::milliseconds ago) {
    const pid_t done = reaped_ ? 0 : waitpid(pid_, &status_, WNOHANG);
    if (done == pid_ || (done < 0 && errno != EINTR)) {
        reaped_ = true;
        ended_at_ = std::chrono::steady_clock::now();
    }
    return reaped_ && std::chrono::steady_clock::now() - ended_at_ >= ago;
}

std::string ProgramRun::how_it_stands() {
    std::string stands =
        !ended()     ? "The program still runs."
        : timed_out_ ? "The program was killed: it had not ended."
        : WIFSIGNALED(status_)
            ? "The program was ended by signal " + std::to_string(WTERMSIG(status_)) + "."
            : "The program ended with exit status " + std::to_string(WEXITSTATUS(status_)) + ".";
    const std::string console = transcript();
    constexpr std::size_t kShown = 1500;  // the end of the console, enough to see where it stood
    stands +=
        "\nIts console so far: " +
        testing::PrintToString(console.substr(console.size() - std::min(console.size(), kShown)));
    if (!errors().empty()) stands += "\nIts standard error: " + testing::PrintToString(errors());
    return stands;
}

void ProgramRun::type(std::string_view bytes) {
    write_all(stdio_ == Stdio::pty ? console_.get() : input_.get(), bytes);
}

void ProgramRun::close_input() {
    if (stdio_ == Stdio::pty) {
        type("\x04");
    } else {
        input_.reset();
    }
}

void ProgramRun::hang_up() {
    if (stdio_ == Stdio::pipes) {
        close_input();
        return;
    }
    stop_reader();
    console_.reset();
}

void ProgramRun::signal(int sig) const {
    if (pid_ > 0 && !reaped_) ::kill(pid_, sig);
}

std::optional<termios> ProgramRun::terminal_settings() const {
    termios settings{};
    if (stdio_ != Stdio::pty || !console_.valid() || tcgetattr(console_.get(), &settings) != 0) {
        return std::nullopt;
    }
    return settings;
}

int ProgramRun::wait_exit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!ended() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    if (!reaped_) {
        timed_out_ = true;
        kill_group();
        waitpid(pid_, &status_, 0);
        reaped_ = true;
    }
    if (!drained_ && !timed_out_) {
        drained_ = true;
        // The last bytes may still be on their way through the terminal.
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 5s, [&] { return console_closed_; });
    }
    if (timed_out_) return kTimedOut;
    if (WIFEXITED(status_)) return WEXITSTATUS(status_);
    if (WIFSIGNALED(status_)) return 128 + WTERMSIG(status_);
    return kTimedOut;
}

}  // namespace quillmer::e2e
