#include "platform/process.h"

#include <algorithm>
#include <iterator>
#include <list>

#include "platform/detail/process_shared.h"

namespace wv {

struct PipeEnd::Impl {
  detail::UniqueStream stream;
};

PipeEnd::PipeEnd() = default;
PipeEnd::PipeEnd(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PipeEnd::~PipeEnd() = default;
PipeEnd::PipeEnd(PipeEnd&&) noexcept = default;
PipeEnd& PipeEnd::operator=(PipeEnd&&) noexcept = default;

bool PipeEnd::is_open() const { return impl_ && impl_->stream; }
void PipeEnd::close() { impl_.reset(); }

bool PipeEnd::write_all(std::string_view bytes) { return is_open() && detail::write_all(impl_->stream.get(), bytes); }

std::optional<std::size_t> PipeEnd::read_some(char* buffer, std::size_t size) {
  if (!is_open()) return std::nullopt;
  return detail::read_some(impl_->stream.get(), buffer, size);
}

ChildProcess::ChildProcess() = default;
ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
// Never ends or waits for the process: only the stop protocol may. A POSIX
// child that was never reaped stays a zombie until the parent exits.
ChildProcess::~ChildProcess() = default;
ChildProcess::ChildProcess(ChildProcess&&) noexcept = default;
ChildProcess& ChildProcess::operator=(ChildProcess&&) noexcept = default;

std::optional<int> ChildProcess::exit_code() const { return impl_ ? impl_->exit_code : std::nullopt; }
long ChildProcess::id() const { return impl_ ? impl_->pid : -1; }

namespace detail {
namespace {

constexpr NativeString::value_type kEquals = '=';

// Windows keeps hidden per-drive entries such as "=C:=C:\dir", whose name
// starts with '='.
NativeStringView entry_name(NativeStringView entry) { return entry.substr(0, entry.find(kEquals, 1)); }

}  // namespace

std::vector<NativeString> merge_environment(std::vector<NativeString> entries, const decltype(SpawnRequest::env)& changes,
                                            NameOrder order, bool sort) {
  for (const auto& [key, value] : changes) {
    NativeString name = native_from_utf8(key);
    std::erase_if(entries, [&](const NativeString& e) { return order(entry_name(e), name) == 0; });
    if (value) entries.push_back(name + kEquals + *value);
  }
  if (sort) {
    // std::list::sort is stable ([list.ops]); libstdc++ 12's stable_sort
    // calls its own deprecated get_temporary_buffer, which clang warns of.
    std::list<NativeString> sorted(std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
    sorted.sort([&](const NativeString& a, const NativeString& b) { return order(entry_name(a), entry_name(b)) < 0; });
    entries.assign(std::make_move_iterator(sorted.begin()), std::make_move_iterator(sorted.end()));
  }
  return entries;
}

SpawnedProcess spawned(std::unique_ptr<ChildProcess::Impl> child, UniqueStream stdin_writer,
                       UniqueStream stdout_reader, UniqueStream stderr_reader) {
  auto end = [](UniqueStream& s) {
    return s ? PipeEnd(std::make_unique<PipeEnd::Impl>(std::move(s))) : PipeEnd();
  };
  SpawnedProcess out;
  out.process = ChildProcess(std::move(child));
  out.stdin_writer = end(stdin_writer);
  out.stdout_reader = end(stdout_reader);
  out.stderr_reader = end(stderr_reader);
  return out;
}

}  // namespace detail
}  // namespace wv
