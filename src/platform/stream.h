#pragma once
// Byte streams: a file descriptor on POSIX, a HANDLE on Windows, of our own
// or the process's standard ones, read and written as bytes. Text for the
// user's console is the console service's (console.h).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace wv {

// An OS resource closed by its owner's destructor. `Traits` names its type,
// its "none", how a value handed over is taken (a failed call's other "none"
// becomes the one) and how it is closed.
template <class Traits>
class Unique {
 public:
  using Type = typename Traits::Type;

  Unique() = default;
  explicit Unique(Type v) : v_(Traits::adopt(v)) {}
  Unique(Unique&& other) noexcept : v_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { reset(); }

  Type get() const { return v_; }
  explicit operator bool() const { return v_ != Traits::none(); }
  Type release() { return std::exchange(v_, Traits::none()); }
  void reset(Type v = Traits::none()) {
    if (v_ != Traits::none()) Traits::close(v_);
    v_ = Traits::adopt(v);
  }

 private:
  Type v_ = Traits::none();
};

// A file descriptor (POSIX) or a HANDLE (Windows), as an integer.
using NativeStream = std::intptr_t;

struct StreamTraits {
  using Type = NativeStream;
  static NativeStream none();
  static NativeStream adopt(NativeStream s);
  static void close(NativeStream s);
};
// A stream of ours: a pipe's end, an open file.
using UniqueStream = Unique<StreamTraits>;

enum class StandardStream { In, Out, Err };

// The process's standard stream, or nothing when it has none.
std::optional<NativeStream> standard_stream(StandardStream which);

// Whether the stream is a console (Windows) or a terminal (POSIX): where a
// user types the input and reads the output.
bool is_console_or_terminal(NativeStream s);
inline bool is_console_or_terminal(StandardStream which) {
  std::optional<NativeStream> s = standard_stream(which);
  return s && is_console_or_terminal(*s);
}

// One write: how many bytes went out (at least one), or nothing on failure.
// An interrupted call is retried.
std::optional<std::size_t> write_some(NativeStream s, std::string_view bytes);

// One read, blocking until something is there: the byte count, 0 at the end,
// nothing on an error. An interrupted call is retried.
std::optional<std::size_t> read_some(NativeStream s, char* buffer, std::size_t size);

// Writes all of `bytes`; false on any failure.
inline bool write_all(NativeStream s, std::string_view bytes) {
  while (!bytes.empty()) {
    std::optional<std::size_t> n = write_some(s, bytes);
    if (!n) return false;
    bytes.remove_prefix(*n);
  }
  return true;
}

}  // namespace wv
