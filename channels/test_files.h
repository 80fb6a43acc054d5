#pragma once
// Memory files for the tests: written to a temporary file and opened, or taken
// from the real files in tests/data.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "channels/memory_file.h"

namespace quillmer::channels::test_files {

inline std::string data_file(std::string_view name) {
    return std::string(QUILLMER_TEST_DATA) + "/" + std::string(name);
}

/// A memory file with the given bytes, open for reading; removed at the end.
class TempMemoryFile {
  public:
    explicit TempMemoryFile(std::string_view bytes) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("quillmer-") + test->test_suite_name() + "-" + test->name() +
                           "-" + std::to_string(++count_) + ".csv";
        // Parameterised tests carry '/' in their names.
        std::replace(name.begin(), name.end(), '/', '_');
        path_ = std::filesystem::temp_directory_path() / name;
        std::ofstream(path_, std::ios::binary) << bytes;
        EXPECT_TRUE(file_.open(path_.string().c_str()));
    }
    ~TempMemoryFile() {
        file_.close();
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TempMemoryFile(const TempMemoryFile&) = delete;
    TempMemoryFile& operator=(const TempMemoryFile&) = delete;

    const MemoryFile& file() const { return file_; }
    std::string path() const { return path_.string(); }

  private:
    static inline int count_ = 0;
    std::filesystem::path path_;
    MemoryFile file_;
};

}  // namespace quillmer::channels::test_files
