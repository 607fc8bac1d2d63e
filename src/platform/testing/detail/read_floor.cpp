#include "platform/testing/read_floor.h"

#include "platform/detail/fs_system.h"

namespace wv {

void read_file_floor(const std::filesystem::path::string_type& path, std::string& buffer) {
  auto file = fs_system::open_for_reading(path);
  if (!file) return;
  if (auto size = fs_system::regular_file_size(*file)) {
    buffer.resize(static_cast<std::size_t>(*size));
    if (!fs_system::read_some(*file, buffer.data(), buffer.size())) buffer.clear();
  }
}

}  // namespace wv
