#include "datadir/json_file.h"

#include <algorithm>

namespace wv {

std::expected<std::string_view, ReadFailure> PublishedFiles::read(const std::filesystem::path::string_type& path) {
  if (left_ < kLeastFileBytes) spent_ = true;
  if (spent_) return std::unexpected(ReadFailure::TooLarge);
  const std::size_t limit = std::min(kMaxPublishedFileBytes, left_);
  std::expected<void, ReadFailure> done = read_regular_file(path, limit, buffer_);
  // What was read counts, whether or not the file could be used.
  left_ -= std::min(left_, std::max(buffer_.size(), kLeastFileBytes));
  if (!done) {
    if (done.error() == ReadFailure::TooLarge && limit < kMaxPublishedFileBytes) spent_ = true;
    return std::unexpected(done.error());
  }
  return std::string_view(buffer_);
}

}  // namespace wv
