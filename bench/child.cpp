#include "bench/child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX has programs declare it

namespace quillmer::bench {
namespace {

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

/// A pipe whose two ends are closed on exec; the child gets its end by dup2.
bool make_pipe(sim::Fd& read_end, sim::Fd& write_end, std::string& error) {
    int fds[2];
    if (pipe(fds) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    read_end = sim::Fd(fds[0]);
    write_end = sim::Fd(fds[1]);
    if (fcntl(fds[0], F_SETFD, FD_CLOEXEC) != 0 || fcntl(fds[1], F_SETFD, FD_CLOEXEC) != 0) {
        error = std::string("fcntl: ") + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

std::optional<Child> Child::start(const std::string& program, const std::vector<std::string>& args,
                                  std::string& error) {
    sim::Fd child_in;
    sim::Fd to_child;
    sim::Fd from_child;
    sim::Fd child_out;
    if (!make_pipe(child_in, to_child, error) || !make_pipe(from_child, child_out, error)) {
        return std::nullopt;
    }

    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    // posix_spawn rather than fork: the simulator's thread is running, and a
    // forked copy of a threaded process may only do little before exec.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, child_in.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, child_out.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, child_out.get(), STDERR_FILENO);
    pid_t pid = -1;
    const Clock::time_point started = Clock::now();
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        error = program + ": " + std::strerror(failed);
        return std::nullopt;
    }
    // The output pipe ends when the child's copies of its write end close: ours
    // goes now.
    Child child(pid, std::move(to_child), std::move(from_child));
    child.started_ = started;
    return child;
}

Child::Child(pid_t pid, sim::Fd input, sim::Fd output)
    : pid_(pid), input_(std::move(input)), output_fd_(std::move(output)) {
    fcntl(output_fd_.get(), F_SETFL, fcntl(output_fd_.get(), F_GETFL) | O_NONBLOCK);
}

Child::Child(Child&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      input_(std::move(other.input_)),
      output_fd_(std::move(other.output_fd_)),
      output_ended_(other.output_ended_),
      output_(std::move(other.output_)),
      reads_(std::move(other.reads_)),
      searched_(other.searched_),
      started_(other.started_) {}

Child::~Child() {
    if (pid_ < 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
}

bool Child::send(std::string_view bytes) {
    while (!bytes.empty() && input_.valid()) {
        const ssize_t wrote = write(input_.get(), bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return bytes.empty();
}

void Child::close_input() {
    input_.reset();
}

void Child::read_some(std::chrono::milliseconds wait) {
    if (output_ended_) return;
    pollfd p{output_fd_.get(), POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(wait.count()));
    if (ready <= 0) return;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(output_fd_.get(), buffer, sizeof buffer);
        if (got > 0) {
            output_.append(buffer, static_cast<std::size_t>(got));
            reads_.push_back(Read{output_.size(), Clock::now()});
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) return;
        output_ended_ = true;
        return;
    }
}

std::optional<Clock::time_point> Child::wait_for_text(std::string_view text,
                                                      std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        const std::size_t found = output_.find(text, searched_);
        if (found != std::string::npos) {
            searched_ = found + text.size();
            for (const Read& read : reads_) {
                if (read.end >= searched_) return read.at;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (output_ended_ || left.count() <= 0) return std::nullopt;
        read_some(left);
    }
}

std::optional<ChildEnd> Child::wait_exit(std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!output_ended_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        read_some(left);
    }
    int status = 0;
    rusage usage{};
    pid_t reaped = -1;
    do {
        reaped = wait4(pid_, &status, 0, &usage);
    } while (reaped < 0 && errno == EINTR);
    ChildEnd end;
    end.at = Clock::now();
    pid_ = -1;
    if (reaped < 0) return std::nullopt;
    end.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    end.user_s = seconds(usage.ru_utime);
    end.system_s = seconds(usage.ru_stime);
    end.voluntary_switches = usage.ru_nvcsw;
    return end;
}

}  // namespace quillmer::bench
