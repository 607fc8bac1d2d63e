#include "platform/process.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cwctype>
#include <future>
#include <initializer_list>

#include "platform/detail/console_relay_win32.h"
#include "platform/detail/long_path_win32.h"
#include "platform/detail/stream_io.h"
#include "platform/detail/unique_handle.h"

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

namespace {

DWORD wait_millis(Duration d) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(d.to_chrono()).count();
  return static_cast<DWORD>(std::clamp<decltype(ms)>(ms, 0, INFINITE - 1));
}

}  // namespace

struct ChildProcess::Impl {
  UniqueHandle process;
  UniqueHandle thread;
  UniqueHandle job;  // none where the process could not be given a job of its own
  std::optional<std::future<void>> relay;
  DWORD pid = 0;
  bool ended = false;
  std::optional<int> exit_code;

  void mark_ended(bool reaped) {
    ended = true;
    DWORD code = 0;
    if (reaped && GetExitCodeProcess(process.get(), &code)) exit_code = static_cast<int>(code);
    // The child's last words go to the console before whatever we write next.
    // Bounded: a process it started may still hold the pipe open.
    if (relay) relay->wait_for(std::chrono::seconds(1));
    relay.reset();
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
  impl_->mark_ended(r == WAIT_OBJECT_0);  // a failed wait counts as an ended process
  return true;
}

void ChildProcess::terminate_and_wait() {
  if (!impl_ || impl_->ended) return;
  // The job holds whatever the child started, and they go with it.
  if (!impl_->job || !TerminateJobObject(impl_->job.get(), 1)) TerminateProcess(impl_->process.get(), 1);
  DWORD r = WaitForSingleObject(impl_->process.get(), wait_millis(kForcedEndWait));
  if (r != WAIT_TIMEOUT) {
    impl_->mark_ended(r == WAIT_OBJECT_0);
    return;
  }
  // Given up on. The relay copies whatever it still writes until it goes,
  // on a thread that needs nothing of ours.
  impl_->ended = true;
  impl_->relay.reset();
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

std::expected<OsPipe, OsError> make_pipe(DWORD buffer_bytes = 0) {
  HANDLE r = nullptr, w = nullptr;
  if (!CreatePipe(&r, &w, nullptr, buffer_bytes)) return std::unexpected(last_os_error());
  return OsPipe{UniqueHandle(r), UniqueHandle(w)};
}

std::expected<void, OsError> make_inheritable(const UniqueHandle& h) {
  if (!SetHandleInformation(h.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
    return std::unexpected(last_os_error());
  }
  return {};
}

HANDLE own_stream(DWORD std_handle) {
  HANDLE own = GetStdHandle(std_handle);
  return own == INVALID_HANDLE_VALUE ? nullptr : own;
}

bool is_console(HANDLE h) {
  DWORD mode = 0;
  return h != nullptr && GetConsoleMode(h, &mode);
}

// What the child gets as one of its output streams.
struct ChildOutput {
  UniqueHandle child_end;   // an inheritable handle made for it, or none
  UniqueHandle parent_end;  // StdioMode::Pipe: the end we read
  bool relayed = false;     // our console: the relay pipe stands in (see below)
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
  } else if (HANDLE own = own_stream(std_handle); is_console(own)) {
    o.relayed = true;
  } else if (own != nullptr) {
    // Our own pipe or file, passed as an inheritable duplicate that is closed
    // again after the launch. A parent without the stream passes none.
    HANDLE dup = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &dup, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
      o.child_end = UniqueHandle(dup);
    }
  }
  return o;
}

// The pipe that stands in for our console. One for both streams, so the
// child's output and errors keep their order, as on a console. It is large,
// and the child holds a reading end of its own, not inheritable further: once
// we are gone (Ctrl+C, the window closed, killed), nobody reads, yet the
// child's writes neither fail, as on a broken pipe, nor block until it has
// written a megabyte, so it can still clear up and exit.
constexpr DWORD kRelayPipeBytes = 1u << 20;

struct Relay {
  OsPipe pipe;
  HANDLE console = nullptr;  // ours, where the copy goes
};

std::expected<std::optional<Relay>, OsError> prepare_relay(const ChildOutput& out, const ChildOutput& err) {
  if (!out.relayed && !err.relayed) return std::nullopt;
  auto p = make_pipe(kRelayPipeBytes);
  if (!p) return std::unexpected(p.error());
  if (auto r = make_inheritable(p->write); !r) return std::unexpected(r.error());
  return Relay{std::move(*p), own_stream(out.relayed ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE)};
}

// The attribute list that makes the child inherit the given handles and no
// other, whatever else of ours is inheritable (a launcher's pipe, say). Stays
// in place: the list points into it.
class InheritOnly {
 public:
  explicit InheritOnly(std::initializer_list<HANDLE> handles) {
    // A null entry would empty the list, and a repeated one fails the launch.
    for (HANDLE h : handles) {
      if (h != nullptr && std::find(handles_.begin(), handles_.end(), h) == handles_.end()) handles_.push_back(h);
    }
  }
  ~InheritOnly() {
    if (ready_) DeleteProcThreadAttributeList(list());
  }
  InheritOnly(const InheritOnly&) = delete;
  InheritOnly& operator=(const InheritOnly&) = delete;

  std::expected<void, OsError> prepare() {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    if (!InitializeProcThreadAttributeList(list(), 1, 0, &size)) return std::unexpected(last_os_error());
    ready_ = true;
    if (!UpdateProcThreadAttribute(list(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                   handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      return std::unexpected(last_os_error());
    }
    return {};
  }

  LPPROC_THREAD_ATTRIBUTE_LIST list() { return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data()); }

 private:
  std::vector<HANDLE> handles_;
  std::vector<std::byte> storage_;
  bool ready_ = false;
};

// A job of the child's own, so that a forced end reaches every process it
// started. Closing the job does not end them: when we die, the child must
// stay free to finish on its own. Where the child cannot have one (jobs nest
// only from Windows 8 on, and a job we run in may forbid it), it goes without
// and a forced end reaches it alone, rather than the launch failing.
//
// A process of the job that dies of an unhandled exception ends at once
// (JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION, Microsoft Learn,
// "JOBOBJECT_BASIC_LIMIT_INFORMATION structure"), even one that asked for
// the default error mode back: its crash dialog would otherwise keep it
// alive, our exit check would see it running and nothing would relaunch it.
// A job whose limit cannot be set is still a job.
UniqueHandle job_of_its_own(HANDLE process) {
  UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job) return {};
  JOBOBJECT_BASIC_LIMIT_INFORMATION limits{};
  limits.LimitFlags = JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  SetInformationJobObject(job.get(), JobObjectBasicLimitInformation, &limits, sizeof limits);
  if (!AssignProcessToJobObject(job.get(), process)) return {};
  return job;
}

// A child stopped before its first instruction, ended for a launch that failed
// after it was created. Waited for only once it is ending, and no longer than
// a forced end waits: a suspended child that could not be terminated never
// ends, and one that can may still be held by I/O, as any forced end.
std::unexpected<OsError> abandon(const UniqueHandle& process, OsError error) {
  if (TerminateProcess(process.get(), 1)) WaitForSingleObject(process.get(), wait_millis(kForcedEndWait));
  return std::unexpected(std::move(error));
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
  auto relay = prepare_relay(*out, *err);
  if (!relay) return std::unexpected(relay.error());

  STARTUPINFOEXW si{};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  si.StartupInfo.hStdInput = stdin_pipe->read.get();
  si.StartupInfo.hStdOutput = out->relayed ? (*relay)->pipe.write.get() : out->child_end.get();
  si.StartupInfo.hStdError = err->relayed ? (*relay)->pipe.write.get() : err->child_end.get();
  InheritOnly inherit{si.StartupInfo.hStdInput, si.StartupInfo.hStdOutput, si.StartupInfo.hStdError};
  if (auto r = inherit.prepare(); !r) return std::unexpected(r.error());
  si.lpAttributeList = inherit.list();

  std::wstring command_line;
  append_quoted(command_line, request.program.native(), true);
  for (const auto& arg : request.args) {
    command_line += L' ';
    append_quoted(command_line, arg, false);
  }
  std::wstring env = environment_block(request);

  // Suspended until it is in its job and holds its end of the relay pipe:
  // nothing it starts may escape the job, and none of its writes may meet a
  // pipe whose reader has gone.
  // A long program path is passed in a form CreateProcessW takes; the
  // command line keeps the path as given.
  const std::wstring program = program_path_form(request.program.native());
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT,
                      env.data(), nullptr, &si.StartupInfo, &pi)) {
    return std::unexpected(last_os_error());
  }
  auto impl = std::make_unique<ChildProcess::Impl>();
  impl->process = UniqueHandle(pi.hProcess);
  impl->thread = UniqueHandle(pi.hThread);
  impl->pid = pi.dwProcessId;
  impl->job = job_of_its_own(impl->process.get());

  if (*relay) {
    HANDLE childs_copy = nullptr;  // never used by us: it lives in the child's handle table
    if (!DuplicateHandle(GetCurrentProcess(), (*relay)->pipe.read.get(), impl->process.get(), &childs_copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
      return abandon(impl->process, last_os_error());
    }
    auto copying = detail::start_console_relay(std::move((*relay)->pipe.read), (*relay)->console);
    if (!copying) return abandon(impl->process, copying.error());
    impl->relay = std::move(*copying);
  }
  if (ResumeThread(impl->thread.get()) == static_cast<DWORD>(-1)) return abandon(impl->process, last_os_error());

  SpawnedProcess spawned;
  spawned.process = ChildProcess(std::move(impl));
  spawned.stdin_writer = PipeEnd(std::make_unique<PipeEnd::Impl>(std::move(stdin_pipe->write)));
  if (out->parent_end) spawned.stdout_reader = PipeEnd(std::make_unique<PipeEnd::Impl>(std::move(out->parent_end)));
  if (err->parent_end) spawned.stderr_reader = PipeEnd(std::make_unique<PipeEnd::Impl>(std::move(err->parent_end)));
  // The child's ends, the relay's write end and the duplicates of our streams
  // close here, on return.
  return spawned;
}

}  // namespace wv
