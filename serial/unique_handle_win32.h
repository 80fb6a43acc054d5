#pragma once
// One owned Windows handle, closed when its owner ends. For the Windows files
// only (the port, the console and their tests).

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace quillmer {

class UniqueHandle {
  public:
    UniqueHandle() = default;
    /// Takes `handle`; INVALID_HANDLE_VALUE and null (the failure values of
    /// CreateFile and CreateThread) both mean none.
    explicit UniqueHandle(HANDLE handle) { reset(handle); }
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    /// Closes the handle held, if any, and takes `handle`.
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (valid()) CloseHandle(handle_);
        handle_ = handle == nullptr ? INVALID_HANDLE_VALUE : handle;
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace quillmer
