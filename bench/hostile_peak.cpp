// The memory that decoding a hostile status file costs: the most heap that
// decode_status holds at once above what was held before it (the text itself
// belongs to the caller), over the file's size. Every file is 16 MiB, the
// largest a poll reads, and the figure is the worst of them. Appends its
// figure to the file named by its argument.
//   wv_bench_memory <ratios.tsv>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "bench/harness.h"
#include "datadir/device_status.h"
#include "datadir/json_file.h"

namespace {

// Heap bytes in use now, and the most since the last reset.
std::size_t g_live = 0;
std::size_t g_peak = 0;

// Each block carries its size in a header that keeps malloc's alignment.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* allocate(std::size_t size) {
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) return nullptr;
  *static_cast<std::size_t*>(block) = size;
  g_live += size;
  if (g_live > g_peak) g_peak = g_live;
  return static_cast<char*>(block) + kHeader;
}

void release(void* p) {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - kHeader;
  g_live -= *static_cast<std::size_t*>(block);
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  if (void* p = allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }

namespace {

using namespace wv;

constexpr std::size_t kFileBytes = kMaxPublishedFileBytes;

const std::string kValidStart =
    R"({"udid":"U","version":1,"agent_version":"a","connected":true,"session":"idle","remediation":"",)";

// `start`, then `unit` as many times as fits, then `end`: kFileBytes or a few
// bytes less.
std::string file_of(const std::string& start, const std::string& unit, const std::string& end) {
  std::string text = start;
  while (text.size() + unit.size() + end.size() <= kFileBytes) text += unit;
  return text + end;
}

struct Hostile {
  const char* name;
  std::string text;
};

std::vector<Hostile> hostile_files() {
  const std::string deep = std::string(125, '[') + std::string(125, ']');
  std::string medium;  // a kept text of 1 MiB, many times over
  for (const char* key : {"udid", "agent_version", "remediation", "error", "publish_error"}) {
    medium += (medium.empty() ? "{\"" : ",\"") + std::string(key) + "\":\"" + std::string(1 << 20, 'm') + "\"";
  }
  medium += R"(,"version":1,"connected":true,"session":"idle","device":[")" + std::string(1 << 20, 'n') + "\",\"" +
            std::string(1 << 20, 'p') + "\",\"" + std::string(1 << 20, 'i') + "\"]";
  return {
      // Files that break a typed rule early and hold the rest as deep or long values.
      {"version, arrays 125 deep", file_of(R"({"version":[)", deep + ",", "0]}")},
      {"version, [0,0,...]", file_of(R"({"version":[)", "0,", "0]}")},
      {"route, [{},{},...]", file_of(R"({"udid":"U","route":[)", "{},", "{}]}")},
      // The same values under an unknown key, where they are valid.
      {"unknown key, arrays 125 deep", file_of(kValidStart + R"("x":[)", deep + ",", "0]}")},
      {"unknown key, [0,0,...]", file_of(kValidStart + R"("x":[)", "0,", "0]}")},
      {"unknown key, [{},{},...]", file_of(kValidStart + R"("x":[)", "{},", "{}]}")},
      // Long strings, kept and skipped.
      {"remediation of 16 MiB", file_of(R"({"udid":"U","version":1,"agent_version":"a","connected":true,)"
                                        R"("session":"idle","remediation":")", "r", "\"}")},
      {"unknown string of 16 MiB", file_of(kValidStart + R"("x":")", "x", "\"}")},
      {"unknown string of escapes", file_of(kValidStart + R"("x":")", "\\u00e9", "\"}")},
      {"key of 16 MiB", file_of(kValidStart + "\"", "k", "\":0}")},
      {"kept texts of 1 MiB each", file_of(medium + R"(,"x":[)", "0,", "0]}")},
      // Long runs that end in an error: the parser's message must not copy them.
      {"white space, then junk", file_of(kValidStart + R"("x":)", "\n", "x}")},
      {"[null,null,...], then junk", file_of(kValidStart + R"("x":[)", "null,", "x]}")},
      {"string, then junk", file_of(kValidStart + R"("x":")", "s", "\" x}")},
  };
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path tsv = argc > 1 ? argv[1] : "ratios.tsv";
  bench::Figure worst{"hostile_peak", 0, 1, 0, 2.0, "B"};
  std::string worst_name;
  for (const Hostile& file : hostile_files()) {
    const std::size_t before = g_live;
    g_peak = g_live;
    {
      auto status = decode_status(file.text);
      bench::keep(status);
    }
    const double held = static_cast<double>(g_peak - before);
    const double ratio = held / static_cast<double>(file.text.size());
    std::printf("  %-30s %9.2f MiB over %5.2f MiB: %.2fx\n", file.name, held / (1 << 20),
                static_cast<double>(file.text.size()) / (1 << 20), ratio);
    if (ratio >= worst.ratio) {
      worst.measured = held;
      worst.baseline = static_cast<double>(file.text.size());
      worst.ratio = ratio;
      worst_name = file.name;
    }
  }
  std::printf("  worst: %s\n", worst_name.c_str());
  return bench::report({worst}, tsv) ? 0 : 1;
}
