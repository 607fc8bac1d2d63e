#pragma once
// Byte streams as the platform files use them: a file descriptor on POSIX, a
// HANDLE on Windows. The loops are written once, in stream_io.cpp; each
// platform file holds only the system calls. Internal to the platform layer.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace wv::detail {

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
bool is_console_or_terminal(StandardStream which);

// One write: how many bytes went out (at least one), or nothing on failure.
// An interrupted call is retried.
std::optional<std::size_t> write_some(NativeStream s, std::string_view bytes);

// One read, blocking until something is there: the byte count, 0 at the end,
// nothing on an error. An interrupted call is retried.
std::optional<std::size_t> read_some(NativeStream s, char* buffer, std::size_t size);

// Writes all of `bytes`; false on any failure.
bool write_all(NativeStream s, std::string_view bytes);

// Writes UTF-8 text whole to a standard stream: through the console's own
// text interface where the stream is a Windows console, as bytes elsewhere.
// On a console, a child's output copied there lands between two calls, never
// inside one.
bool write_text(NativeStream s, std::string_view utf8);

// One read of standard input, as read_some.
std::optional<std::size_t> read_stdin_some(char* buffer, std::size_t size);

}  // namespace wv::detail
