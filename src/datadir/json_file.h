#pragma once
// Reading the agent's published files: the same access for both formats, one
// buffer for all the files of a poll, and a ceiling on what one poll reads.

#include <cstddef>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/fs.h"

namespace wv {

// An agent never writes a file this large: a status file is about a
// kilobyte, an index of a thousand devices about 60 KB. Refusing bigger ones
// keeps a stray or hostile file from costing the host more than a bounded
// amount: the JSON library's error message, after a long run of white space,
// costs some forty times the run, so a file at the cap can cost some 20 MiB
// while it is decoded.
inline constexpr std::size_t kMaxPublishedFileBytes = std::size_t{512} * 1024;

// What one poll reads at most, the index included: some 4,000 real status
// files. It bounds what a poll keeps and shows (the snapshot, and a screen of
// it next to the last one, where each byte of a text may take three), and
// how long a directory full of large files, or one large file listed many
// times, keeps the stop waiting. With the cap above, the host's peak resident
// memory stays under 64 MiB whatever the directory holds.
inline constexpr std::size_t kPollReadBytes = std::size_t{4} * 1024 * 1024;

// What every file a poll opens, or fails to open, takes of that ceiling at
// least: a real status file's size. Otherwise an index listing millions of
// missing or tiny files would cost millions of opens and records in one poll.
inline constexpr std::size_t kLeastFileBytes = 1024;

// The files of one poll, read one after another into one buffer.
class PublishedFiles {
 public:
  // Opens the file for reading only, sharing read, write and delete access so
  // that the agent can rewrite, replace or delete it meanwhile, reads it whole
  // and closes it. Only a regular file is read, and opening anything else
  // never blocks. The text stays valid until the next read.
  //
  // A file may take the smaller of kMaxPublishedFileBytes and what is left of
  // the poll's kPollReadBytes, and takes kLeastFileBytes at least, whether it
  // is read or not. One refused (TooLarge) because it would take the poll
  // past that ceiling spends the poll: see spent().
  std::expected<std::string_view, ReadFailure> read(const std::filesystem::path::string_type& path);

  // True once a file has been refused for want of what was left of the poll's
  // ceiling; the poll reads nothing more.
  bool spent() const { return spent_; }

  // How many more files the poll has room for, at the least each can take.
  std::size_t files_left() const { return left_ / kLeastFileBytes; }

 private:
  std::string buffer_;
  std::size_t left_ = kPollReadBytes;
  bool spent_ = false;
};

}  // namespace wv
