#pragma once
// Windows only: a kernel handle closed by its owner's destructor.

#include <windows.h>

#include <utility>

namespace wv {

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.h_, nullptr));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  HANDLE release() { return std::exchange(h_, nullptr); }
  void reset(HANDLE h = nullptr) {
    if (h_ != nullptr) CloseHandle(h_);
    h_ = (h == INVALID_HANDLE_VALUE) ? nullptr : h;
  }

 private:
  HANDLE h_ = nullptr;
};

}  // namespace wv
