#pragma once
// Whether two paths name the same file.

#include <filesystem>

namespace wv {

// True when both paths can be opened and lead to the same file (links,
// relative forms and differences of case followed to the file itself).
bool is_same_file(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace wv
