#pragma once
// The least a whole-file read can cost: the reader's system calls (open, size,
// one read, close) with none of its checks. The benchmarks measure the file
// reader against it.

#include <string>

#include "platform/text.h"

namespace wv {

// Reads the file named by `path` into `buffer`, resized to the file's size;
// a file that cannot be opened leaves `buffer` as it was.
void read_file_floor(const NativeString& path, std::string& buffer);

}  // namespace wv
