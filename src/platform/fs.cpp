#include "platform/fs.h"

#include <algorithm>

namespace wv {
namespace {

// Appends up to `want` bytes read from `file` to `content`, without first
// zero-filling the room they go into. How many came, or the failure.
std::expected<std::size_t, ReadFailure> append_read(const ReadableFile& file, std::string& content, std::size_t want) {
  const std::size_t had = content.size();
  std::expected<std::size_t, ReadFailure> got = 0;
  content.resize_and_overwrite(had + want, [&](char* data, std::size_t) {
    got = file.read_some(data + had, want);
    return had + (got ? *got : 0);
  });
  return got;
}

}  // namespace

std::expected<void, ReadFailure> read_regular_file(const NativeString& path, std::size_t max_bytes,
                                                   std::string& content) {
  content.clear();
  // A NUL would end the name early, and another file would be read.
  if (path.find(NativeString::value_type{}) != path.npos) return std::unexpected(ReadFailure::Missing);
  auto file = ReadableFile::open(path);
  if (!file) return std::unexpected(file.error());
  auto size = file->regular_size();
  if (!size) return std::unexpected(size.error());
  if (*size > max_bytes) return std::unexpected(ReadFailure::TooLarge);

  // Asking for one byte more than the file holds lets a short read end the
  // loop: a regular file reads short only at its end. A file that has grown
  // since it was measured goes round again, within the limit.
  std::size_t want = static_cast<std::size_t>(*size) + 1;
  for (;;) {
    auto got = append_read(*file, content, want);
    if (!got) return std::unexpected(got.error());
    // The limit holds for what is read too.
    if (content.size() > max_bytes) return std::unexpected(ReadFailure::TooLarge);
    if (*got < want) return {};
    want = std::min<std::size_t>(std::max<std::size_t>(content.size(), std::size_t{64} * 1024),
                                 max_bytes + 1 - content.size());
  }
}

}  // namespace wv
