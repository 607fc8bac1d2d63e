#pragma once
// Reading one of the agent's published files: the same access for both formats.

#include <cstddef>
#include <expected>
#include <filesystem>
#include <string>

namespace wv {

// An agent never writes a file this large; refusing bigger ones keeps a
// stray or hostile file from making the host hold it in memory.
inline constexpr std::size_t kMaxPublishedFileBytes = 16 * 1024 * 1024;

enum class PublishedFileFailure {
  Missing,
  NotRegular,  // a directory, FIFO, device or socket
  TooLarge,    // more than kMaxPublishedFileBytes
  Io,
  NotUtf8,
};

// Opens the file for reading only, sharing read, write and delete access so
// that the agent can rewrite, replace or delete it meanwhile, reads it whole
// and closes it. Only a regular file is read, and opening anything else never
// blocks. The bytes must be valid UTF-8.
std::expected<std::string, PublishedFileFailure> read_published_file(const std::filesystem::path& p);

}  // namespace wv
