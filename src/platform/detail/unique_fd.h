#pragma once
// POSIX only: a file descriptor closed by its owner's destructor.

#include <unistd.h>

#include "platform/detail/unique.h"

namespace wv {

struct FdTraits {
  using Type = int;
  static int none() { return -1; }
  static int adopt(int fd) { return fd < 0 ? -1 : fd; }
  static void close(int fd) { ::close(fd); }
};
using UniqueFd = detail::Unique<FdTraits>;

}  // namespace wv
