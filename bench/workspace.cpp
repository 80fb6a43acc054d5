#include "bench/workspace.h"

#include <stdlib.h>
#include <unistd.h>  // mkdtemp on macOS

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>
#include <utility>

namespace quillmer::bench {

namespace fs = std::filesystem;

std::optional<Workspace> Workspace::make(const fs::path& program, std::string& error) {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "quillmer-bench.XXXXXX").string();
    if (ec || mkdtemp(pattern.data()) == nullptr) {
        error = "no temporary directory: " + std::string(std::strerror(errno));
        return std::nullopt;
    }
    Workspace space{fs::path(pattern)};
    // A copy, not a link: the program finds its settings file beside the file it
    // runs from, links resolved.
    space.program_ = space.dir_ / program.filename();
    fs::copy_file(program, space.program_, ec);
    if (ec) {
        error = "cannot copy " + program.string() + ": " + ec.message();
        return std::nullopt;
    }
    fs::permissions(space.program_, fs::perms::owner_all, fs::perm_options::add, ec);
    return space;
}

Workspace::Workspace(fs::path dir) : dir_(std::move(dir)) {}

Workspace::Workspace(Workspace&& other) noexcept
    : dir_(std::exchange(other.dir_, {})), program_(std::move(other.program_)) {}

Workspace::~Workspace() {
    if (dir_.empty()) return;
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

bool Workspace::set_port(const std::string& port) const {
    fs::path settings = program_;
    settings.replace_extension(".ini");
    std::ofstream out(settings, std::ios::binary | std::ios::trunc);
    out << port << "\n";
    return static_cast<bool>(out.flush());
}

fs::path Workspace::write_memory_file(int rows) const {
    fs::path path = dir_ / ("memory-" + std::to_string(rows) + ".csv");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "CH No,Frequency,Dup,Offset,TS,Mode,Name,SKIP,TONE,Repeater Tone,TSQL Frequency,"
           "DTCS Code,DTCS Polarity,DV SQL,DV CSQL Code,Comment,RPT2 Call Sign,"
           "RPT1 Call Sign,Your Call Sign\n";
    // A mix like a real club list: simplex and repeater pairs on two bands, every
    // mode, D-STAR rows with their call fields.
    static const char* const kModes[] = {"FM", "DV", "FM-N", "AM", "AUTO"};
    for (int ch = 0; ch < rows; ++ch) {
        const bool uhf = ch % 2 == 1;
        const long khz_x10 = (uhf ? 4300000L : 1440000L) + 125L * (ch / 2);  // 12.5 kHz steps
        const char* dup = ch % 3 == 0 ? "OFF" : (uhf ? "DUP-" : "DUP+");
        const char* offset = ch % 3 == 0 ? "0.000000" : (uhf ? "7.600000" : "0.600000");
        const char* mode = kModes[ch % 5];
        const bool dv = ch % 5 == 1;
        char line[256];
        std::snprintf(line, sizeof line,
                      "%d,%ld.%04ld00,%s,%s,12.5kHz,%s,BNCH%04d,OFF,OFF,88.5Hz,88.5Hz,023,BOTH N,"
                      "OFF,0,,%s,%s,%s\n",
                      ch, khz_x10 / 10000, khz_x10 % 10000, dup, offset, mode, ch,
                      dv ? "GB7BN  G" : "", dv ? "GB7BN  B" : "", dv ? "CQCQCQ" : "");
        out << line;
    }
    if (!out.flush()) return {};
    return path;
}

}  // namespace quillmer::bench
