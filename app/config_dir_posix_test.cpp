#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "app/config_dir.h"

namespace quillmer {
namespace {

/// Sets or removes an environment variable for one test, and puts it back.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedVariable() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(UserSettingsPath, FollowsTheXdgRulesThenHome) {
    struct Case {
        const char* xdg;
        const char* home;
        std::string path;
    };
    const Case cases[] = {
        {"/cfg", "/home/ham", "/cfg/quillmer/quillmer.ini"},
        {nullptr, "/home/ham", "/home/ham/.config/quillmer/quillmer.ini"},
        // Empty or relative: not to be used.
        {"", "/home/ham", "/home/ham/.config/quillmer/quillmer.ini"},
        {"cfg", "/home/ham", "/home/ham/.config/quillmer/quillmer.ini"},
        {nullptr, nullptr, ""},
        {nullptr, "", ""},
    };
    for (const Case& c : cases) {
        const ScopedVariable xdg("XDG_CONFIG_HOME", c.xdg);
        const ScopedVariable home("HOME", c.home);
        EXPECT_EQ(user_settings_path(), c.path)
            << (c.xdg ? c.xdg : "unset") << ", " << (c.home ? c.home : "unset");
    }
}

}  // namespace
}  // namespace quillmer
