#pragma once
// A console for tests: keeps everything printed, and hands out keys scripted
// to become pending at a given poll of the keyboard.

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "console/console.h"

namespace quillmer::console {

class RecordingConsole final : public Console {
  public:
    std::string out;                          ///< everything printed, as UTF-8
    std::map<int, std::vector<int>> keys_at;  ///< keys pending from the n-th poll on (1-based)
    int polls = 0;
    std::string notices;  ///< the lines given to notice(), also in `out`
    bool ended = false;   ///< what input_ended() says

    void print(std::string_view text) override { out += text; }
    void print_raw(std::string_view bytes) override { out += bytes; }
    void notice(std::string_view line) override {
        out += line;
        notices += line;
    }
    bool key_waiting() override {
        ++polls;
        if (auto it = keys_at.find(polls); it != keys_at.end()) {
            pending_.insert(pending_.end(), it->second.begin(), it->second.end());
        }
        return !pending_.empty();
    }
    int read_key() override {
        if (pending_.empty()) return kEndOfInput;
        const int key = pending_.front();
        pending_.pop_front();
        return key;
    }
    bool input_ended() override { return ended; }

    /// How many times `text` was printed.
    int count(std::string_view text) const {
        int n = 0;
        for (std::size_t at = out.find(text); at != std::string::npos;
             at = out.find(text, at + text.size())) {
            ++n;
        }
        return n;
    }

  private:
    std::deque<int> pending_;
};

}  // namespace quillmer::console
