#include "platform/testing/read_floor.h"

#include "platform/fs.h"

namespace wv {

void read_file_floor(const NativeString& path, std::string& buffer) {
  auto file = ReadableFile::open(path);
  if (!file) return;
  if (auto size = file->regular_size()) {
    buffer.resize(static_cast<std::size_t>(*size));
    if (!file->read_some(buffer.data(), buffer.size())) buffer.clear();
  }
}

}  // namespace wv
