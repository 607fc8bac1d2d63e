#include "datadir/json_file.h"

#include "platform/fs.h"
#include "platform/utf8.h"

namespace wv {

std::expected<std::string, PublishedFileFailure> read_published_file(const std::filesystem::path& p) {
  std::expected<std::string, ReadFailure> bytes = read_regular_file(p, kMaxPublishedFileBytes);
  if (!bytes) {
    switch (bytes.error()) {
      case ReadFailure::Missing: return std::unexpected(PublishedFileFailure::Missing);
      case ReadFailure::NotRegular: return std::unexpected(PublishedFileFailure::NotRegular);
      case ReadFailure::TooLarge: return std::unexpected(PublishedFileFailure::TooLarge);
      case ReadFailure::Io: return std::unexpected(PublishedFileFailure::Io);
    }
    return std::unexpected(PublishedFileFailure::Io);
  }
  if (!is_valid_utf8(*bytes)) return std::unexpected(PublishedFileFailure::NotUtf8);
  return std::move(*bytes);
}

}  // namespace wv
