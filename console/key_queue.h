#pragma once
// Keys read from the console but not yet handed out: an escape sequence is one
// key given in two reads, and an Esc may bring the next key along.

#include <array>
#include <cstddef>

namespace quillmer::console {

class KeyQueue {
  public:
    bool empty() const { return count_ == 0; }
    /// Drops the key when the queue is full: nobody types that far ahead.
    void push(int key) {
        if (count_ == keys_.size()) return;
        keys_[(first_ + count_) % keys_.size()] = key;
        ++count_;
    }
    int pop() {
        const int key = keys_[first_];
        first_ = (first_ + 1) % keys_.size();
        --count_;
        return key;
    }

  private:
    std::array<int, 16> keys_{};
    std::size_t first_ = 0;
    std::size_t count_ = 0;
};

}  // namespace quillmer::console
