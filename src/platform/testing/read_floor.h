#pragma once
// The least a whole-file read can cost: open, size, one read, close, with no
// checks. The benchmarks measure the file reader against it.

#include <string>

namespace wv {

// Reads the file named by `path` into `buffer`, resized to the file's size;
// a file that cannot be opened leaves `buffer` as it was.
void read_file_floor(const char* path, std::string& buffer);

}  // namespace wv
