#pragma once
// Test aids for the published-file readers: a file kept open for writing, the
// way the agent holds one while it rewrites it, and a FIFO where a file is
// expected.

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/stream.h"

namespace wv {

class HeldWriter {
 public:
  // Creates or truncates the file and keeps it open for writing (on Windows
  // also for deletion, as a writer that replaces the file would), sharing
  // read, write and delete access.
  static std::optional<HeldWriter> open(const std::filesystem::path& p);

  // Writes all of `bytes` through the open handle.
  bool write(std::string_view bytes) { return write_all(file_.get(), bytes); }

 private:
  explicit HeldWriter(NativeStream file) : file_(file) {}
  UniqueStream file_;
};

// Creates a FIFO at `p`. Always false on Windows, which has none.
bool make_fifo(const std::filesystem::path& p);

}  // namespace wv
