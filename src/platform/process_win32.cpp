#include "platform/process.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "platform/stream_io.h"
#include "platform/unique_handle.h"

namespace wv {

struct PipeEnd::Impl {
  UniqueHandle handle;
};

PipeEnd::PipeEnd() = default;
PipeEnd::PipeEnd(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PipeEnd::~PipeEnd() = default;
PipeEnd::PipeEnd(PipeEnd&&) noexcept = default;
PipeEnd& PipeEnd::operator=(PipeEnd&&) noexcept = default;

bool PipeEnd::is_open() const { return impl_ && impl_->handle; }
void PipeEnd::close() { impl_.reset(); }

namespace {

detail::NativeStream as_stream(const UniqueHandle& h) { return reinterpret_cast<detail::NativeStream>(h.get()); }

}  // namespace

bool PipeEnd::write_all(std::string_view bytes) { return is_open() && detail::write_all(as_stream(impl_->handle), bytes); }

std::optional<std::size_t> PipeEnd::read_some(char* buffer, std::size_t size) {
  if (!is_open()) return std::nullopt;
  return detail::read_some(as_stream(impl_->handle), buffer, size);
}

struct ChildProcess::Impl {
  UniqueHandle process;
  UniqueHandle thread;
  DWORD pid = 0;
  bool ended = false;
  std::optional<int> exit_code;

  void record_exit() {
    ended = true;
    DWORD code = 0;
    if (GetExitCodeProcess(process.get(), &code)) exit_code = static_cast<int>(code);
  }
};

ChildProcess::ChildProcess() = default;
ChildProcess::ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ChildProcess::~ChildProcess() = default;
ChildProcess::ChildProcess(ChildProcess&&) noexcept = default;
ChildProcess& ChildProcess::operator=(ChildProcess&&) noexcept = default;

bool ChildProcess::has_ended() {
  if (!impl_ || impl_->ended) return true;
  DWORD r = WaitForSingleObject(impl_->process.get(), 0);
  if (r == WAIT_TIMEOUT) return false;
  if (r == WAIT_OBJECT_0) impl_->record_exit();
  impl_->ended = true;  // a failed wait counts as an ended process
  return true;
}

void ChildProcess::terminate_and_wait() {
  if (!impl_ || impl_->ended) return;
  TerminateProcess(impl_->process.get(), 1);
  wait();
}

void ChildProcess::wait() {
  if (!impl_ || impl_->ended) return;
  if (WaitForSingleObject(impl_->process.get(), INFINITE) == WAIT_OBJECT_0) impl_->record_exit();
  impl_->ended = true;
}

std::optional<int> ChildProcess::exit_code() const { return impl_ ? impl_->exit_code : std::nullopt; }
long ChildProcess::id() const { return impl_ ? static_cast<long>(impl_->pid) : -1; }

namespace {

// Quotes one argument so that the child's command-line parser gives it back
// unchanged: backslashes are literal except before a double quote.
void append_quoted(std::wstring& line, const std::wstring& arg, bool force) {
  if (!force && !arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    line.append(backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

bool same_name(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// Hidden per-drive entries such as "=C:=C:\dir" have a name that starts with '='.
std::wstring_view entry_name(std::wstring_view entry) {
  std::size_t eq = entry.find(L'=', 1);
  return entry.substr(0, eq);
}

// The parent's environment with the request's variables added or replaced,
// as the sorted, double-NUL-terminated block that CreateProcessW expects.
std::wstring environment_block(const SpawnRequest& request) {
  std::vector<std::wstring> entries;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p != L'\0'; p += wcslen(p) + 1) entries.emplace_back(p);
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [key, value] : request.env) {
    std::wstring name = native_from_utf8(key);
    std::erase_if(entries, [&](const std::wstring& e) { return same_name(entry_name(e), name); });
    if (value) entries.push_back(name + L"=" + *value);
  }
  std::stable_sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
    std::wstring_view na = entry_name(a), nb = entry_name(b);
    return CompareStringOrdinal(na.data(), static_cast<int>(na.size()), nb.data(), static_cast<int>(nb.size()),
                                TRUE) == CSTR_LESS_THAN;
  });
  std::wstring out;
  for (const auto& e : entries) {
    out += e;
    out += L'\0';
  }
  if (entries.empty()) out += L'\0';
  out += L'\0';
  return out;
}

struct OsPipe {
  UniqueHandle read, write;
};

std::expected<OsPipe, OsError> make_pipe() {
  HANDLE r = nullptr, w = nullptr;
  if (!CreatePipe(&r, &w, nullptr, 0)) return std::unexpected(last_os_error());
  return OsPipe{UniqueHandle(r), UniqueHandle(w)};
}

std::expected<void, OsError> make_inheritable(const UniqueHandle& h) {
  if (!SetHandleInformation(h.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
    return std::unexpected(last_os_error());
  }
  return {};
}

struct ChildOutput {
  UniqueHandle child_end;  // an inheritable handle, or none when the parent has none
  UniqueHandle parent_end;
};

std::expected<ChildOutput, OsError> prepare_output(const StdioTarget& target, DWORD std_handle) {
  ChildOutput o;
  if (target.mode == StdioMode::Pipe) {
    auto p = make_pipe();
    if (!p) return std::unexpected(p.error());
    o.parent_end = std::move(p->read);
    o.child_end = std::move(p->write);
    if (auto r = make_inheritable(o.child_end); !r) return std::unexpected(r.error());
  } else if (target.mode == StdioMode::File) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    o.child_end = UniqueHandle(CreateFileW(target.file.c_str(), GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!o.child_end) return std::unexpected(last_os_error());
  } else {
    // The parent's own stream, passed as an inheritable duplicate that is
    // closed again after the launch. A parent without the stream passes none.
    HANDLE own = GetStdHandle(std_handle);
    if (own != nullptr && own != INVALID_HANDLE_VALUE) {
      HANDLE dup = nullptr;
      if (DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &dup, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
        o.child_end = UniqueHandle(dup);
      }
    }
  }
  return o;
}

}  // namespace

std::expected<SpawnedProcess, OsError> spawn_process(const SpawnRequest& request) {
  auto stdin_pipe = make_pipe();
  if (!stdin_pipe) return std::unexpected(stdin_pipe.error());
  // Only the child's end is inheritable; ours stays private to this process.
  if (auto r = make_inheritable(stdin_pipe->read); !r) return std::unexpected(r.error());
  auto out = prepare_output(request.out, STD_OUTPUT_HANDLE);
  if (!out) return std::unexpected(out.error());
  auto err = prepare_output(request.err, STD_ERROR_HANDLE);
  if (!err) return std::unexpected(err.error());

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = stdin_pipe->read.get();
  si.hStdOutput = out->child_end.get();
  si.hStdError = err->child_end.get();

  std::wstring command_line;
  append_quoted(command_line, request.program.native(), true);
  for (const auto& arg : request.args) {
    command_line += L' ';
    append_quoted(command_line, arg, false);
  }
  std::wstring env = environment_block(request);

  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(request.program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, env.data(), nullptr, &si, &pi)) {
    return std::unexpected(last_os_error());
  }

  auto impl = std::make_unique<ChildProcess::Impl>();
  impl->process = UniqueHandle(pi.hProcess);
  impl->thread = UniqueHandle(pi.hThread);
  impl->pid = pi.dwProcessId;
  SpawnedProcess spawned;
  spawned.process = ChildProcess(std::move(impl));
  spawned.stdin_writer = PipeEnd(std::make_unique<PipeEnd::Impl>(std::move(stdin_pipe->write)));
  if (out->parent_end) spawned.stdout_reader = PipeEnd(std::make_unique<PipeEnd::Impl>(std::move(out->parent_end)));
  if (err->parent_end) spawned.stderr_reader = PipeEnd(std::make_unique<PipeEnd::Impl>(std::move(err->parent_end)));
  // The child's ends and the duplicates of our streams close here, on return.
  return spawned;
}

}  // namespace wv
