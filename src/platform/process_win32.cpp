#include "platform/process.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <future>
#include <initializer_list>

#include "platform/detail/console_relay_win32.h"
#include "platform/detail/file_open_win32.h"
#include "platform/detail/unique_handle.h"

namespace wv {
namespace {

using detail::as_handle;
using detail::UniqueHandle;

DWORD wait_millis(Duration d) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(d.to_chrono()).count();
  return static_cast<DWORD>(std::clamp<decltype(ms)>(ms, 0, INFINITE - 1));
}

struct Win32Child final : ChildProcess::Impl {
  UniqueHandle process;
  UniqueHandle thread;
  UniqueHandle job;  // none where the process could not be given a job of its own
  std::optional<std::future<void>> relay;

  // After a wait that did not find the process running: WAIT_OBJECT_0, it
  // has ended; WAIT_TIMEOUT, a forced end's wait ran out and it is given up
  // on; anything else, the wait failed, which counts as an end.
  void mark_ended(DWORD wait) {
    ended = true;
    DWORD code = 0;
    if (wait == WAIT_OBJECT_0 && GetExitCodeProcess(process.get(), &code)) exit_code = static_cast<int>(code);
    // The child's last words go to the console before whatever we write next.
    // Bounded: a process it started may still hold the pipe open. One given
    // up on still writes: the relay copies it, on a thread that needs nothing
    // of ours, until it goes.
    if (relay && wait != WAIT_TIMEOUT) relay->wait_for(std::chrono::seconds(1));
    relay.reset();
  }
};

Win32Child& win32(const std::unique_ptr<ChildProcess::Impl>& impl) { return static_cast<Win32Child&>(*impl); }

}  // namespace

bool ChildProcess::has_ended() {
  if (!impl_ || impl_->ended) return true;
  Win32Child& child = win32(impl_);
  DWORD r = WaitForSingleObject(child.process.get(), 0);
  if (r == WAIT_TIMEOUT) return false;
  child.mark_ended(r);
  return true;
}

void ChildProcess::terminate_and_wait() {
  if (!impl_ || impl_->ended) return;
  Win32Child& child = win32(impl_);
  // The job holds whatever the child started, and they go with it.
  if (!child.job || !TerminateJobObject(child.job.get(), 1)) TerminateProcess(child.process.get(), 1);
  child.mark_ended(WaitForSingleObject(child.process.get(), wait_millis(kForcedEndWait)));
}

namespace {

// Quotes one argument so that the child's command-line parser gives it back
// unchanged: backslashes are literal except before a double quote, where 2n
// of them stand for n and 2n + 1 for n and a literal quote (Microsoft Learn,
// "Parsing C++ command-line arguments"; CommandLineToArgvW parses alike).
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

// The parent's environment with the request's variables added, replaced or
// removed, as the double-NUL-terminated block that CreateProcessW expects.
std::wstring environment_block(const SpawnRequest& request) {
  std::vector<std::wstring> entries = environment_with(own_environment(), request.env);
  std::wstring out;
  for (const auto& e : entries) (out += e) += L'\0';
  // An empty block is two NULs as well.
  out.append(entries.empty() ? 2 : 1, L'\0');
  return out;
}

struct OsPipe {
  UniqueHandle read, write;
};

enum class ChildEnd { Read, Write };

// Only the child's end is inheritable; ours stays private to this process.
std::expected<OsPipe, OsError> make_pipe(ChildEnd child_end, DWORD buffer_bytes = 0) {
  HANDLE r = nullptr, w = nullptr;
  if (!CreatePipe(&r, &w, nullptr, buffer_bytes)) return std::unexpected(last_os_error());
  OsPipe p{UniqueHandle(r), UniqueHandle(w)};
  HANDLE inheritable = child_end == ChildEnd::Read ? r : w;
  if (!SetHandleInformation(inheritable, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
    return std::unexpected(last_os_error());
  }
  return p;
}

// What the child gets as one of its output streams.
struct ChildOutput {
  UniqueHandle child_end;   // an inheritable handle made for it, or none
  UniqueHandle parent_end;  // StdioMode::Pipe: the end we read
  bool relayed = false;     // our console: the relay pipe stands in (prepare_relay)
};

std::expected<ChildOutput, OsError> prepare_output(const StdioTarget& target, StandardStream which) {
  ChildOutput o;
  if (target.mode == StdioMode::Pipe) {
    auto p = make_pipe(ChildEnd::Write);
    if (!p) return std::unexpected(p.error());
    o.parent_end = std::move(p->read);
    o.child_end = std::move(p->write);
  } else if (target.mode == StdioMode::File) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    o.child_end = UniqueHandle(CreateFileW(target.file.c_str(), GENERIC_WRITE, detail::kShareAll, &sa, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!o.child_end) return std::unexpected(last_os_error());
  } else if (auto own = standard_stream(which); own && is_console_or_terminal(*own)) {
    o.relayed = true;
  } else if (own) {
    // Our own pipe or file, passed as an inheritable duplicate that is closed
    // again after the launch. A parent without the stream passes none.
    HANDLE dup = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), as_handle(*own), GetCurrentProcess(), &dup, 0, TRUE,
                        DUPLICATE_SAME_ACCESS)) {
      o.child_end = UniqueHandle(dup);
    }
  }
  return o;
}

// The pipe that stands in for our console. One for both streams, so the
// child's output and errors keep their order, as on a console. The child
// holds a reading end of its own, not inheritable further: once we are gone
// (Ctrl+C, the window closed, killed), nobody reads, yet its writes do not
// fail as on a broken pipe. Asked for large, so that they do not block either
// until the child has written much, and it can still clear up and exit; the
// size is "only a suggestion" (Microsoft Learn, "CreatePipe function",
// nSize), which the system may round.
constexpr DWORD kRelayPipeBytes = 1u << 20;

struct Relay {
  OsPipe pipe;
  HANDLE console = nullptr;  // ours, where the copy goes
};

// Where both streams are our console, it is one console, written to through
// standard output's handle.
std::expected<std::optional<Relay>, OsError> prepare_relay(const ChildOutput& out, const ChildOutput& err) {
  if (!out.relayed && !err.relayed) return std::nullopt;
  auto p = make_pipe(ChildEnd::Write, kRelayPipeBytes);
  if (!p) return std::unexpected(p.error());
  auto console = standard_stream(out.relayed ? StandardStream::Out : StandardStream::Err);
  return Relay{std::move(*p), as_handle(console.value_or(0))};
}

// The attribute list that makes the child inherit the given handles and no
// other, whatever else of ours is inheritable (a launcher's pipe, say)
// (PROC_THREAD_ATTRIBUTE_HANDLE_LIST, Microsoft Learn,
// "UpdateProcThreadAttribute function"). Stays in place: the list points
// into it.
class InheritOnly {
 public:
  explicit InheritOnly(std::initializer_list<HANDLE> handles) {
    // The page asks for real, inheritable handles, and a stream the parent
    // lacks is null; a handle listed twice (both output streams on one pipe)
    // goes in once, since the page leaves a repeat's effect unsaid.
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
    if (!UpdateProcThreadAttribute(list(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, static_cast<void*>(handles_.data()),
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
// started: TerminateJobObject ends every process associated with the job
// (Microsoft Learn, "TerminateJobObject function"), and a process the child
// starts is associated with it too. Closing the job does not end them, as the
// job has no JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE (Microsoft Learn,
// "JOBOBJECT_BASIC_LIMIT_INFORMATION structure"): when we die, the child must
// stay free to finish on its own. Where the child cannot have one (jobs nest
// only from Windows 8 on, Microsoft Learn, "Nested Jobs"; and a job we run in
// may forbid it), it goes without and a forced end reaches it alone, rather
// than the launch failing.
//
// A process of the job that dies of an unhandled exception ends without a
// crash dialog: the limit has the system call SetErrorMode with
// SEM_NOGPFAULTERRORBOX for each process in the job (Microsoft Learn,
// "JOBOBJECT_BASIC_LIMIT_INFORMATION structure"). Its dialog would otherwise
// keep it alive, our exit check would see it running and nothing would
// relaunch it.
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
  auto stdin_pipe = make_pipe(ChildEnd::Read);
  if (!stdin_pipe) return std::unexpected(stdin_pipe.error());
  auto out = prepare_output(request.out, StandardStream::Out);
  if (!out) return std::unexpected(out.error());
  auto err = prepare_output(request.err, StandardStream::Err);
  if (!err) return std::unexpected(err.error());
  auto prepared = prepare_relay(*out, *err);
  if (!prepared) return std::unexpected(prepared.error());
  std::optional<Relay>& relay = *prepared;

  STARTUPINFOEXW si{};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  si.StartupInfo.hStdInput = stdin_pipe->read.get();
  // Both streams that stand for our console write to the one relay pipe.
  HANDLE relay_end = relay ? relay->pipe.write.get() : nullptr;
  si.StartupInfo.hStdOutput = out->relayed ? relay_end : out->child_end.get();
  si.StartupInfo.hStdError = err->relayed ? relay_end : err->child_end.get();
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

  // A long program path is passed in a form CreateProcessW takes; the
  // command line keeps the path as given.
  const std::wstring program = detail::program_path_form(request.program.native());
  // CREATE_NO_WINDOW: a console process without a console window (Microsoft
  // Learn, "Process Creation Flags"). CREATE_SUSPENDED: it runs only once it
  // is in its job and holds its end of the relay pipe, so that nothing it
  // starts escapes the job and none of its writes meets a pipe whose reader
  // has gone.
  constexpr DWORD kFlags =
      CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, kFlags, env.data(), nullptr,
                      &si.StartupInfo, &pi)) {
    return std::unexpected(last_os_error());
  }
  auto child = std::make_unique<Win32Child>();
  child->process = UniqueHandle(pi.hProcess);
  child->thread = UniqueHandle(pi.hThread);
  child->pid = static_cast<long>(pi.dwProcessId);
  child->job = job_of_its_own(child->process.get());

  if (relay) {
    // The child's own reader of the relay pipe, so that its writes never meet
    // a pipe without one (kRelayPipeBytes). Never used by us: the handle
    // lives in the child's table.
    HANDLE childs_copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), relay->pipe.read.get(), child->process.get(), &childs_copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
      return abandon(child->process, last_os_error());
    }
    auto copying = detail::start_console_relay(std::move(relay->pipe.read), relay->console);
    if (!copying) return abandon(child->process, copying.error());
    child->relay = std::move(*copying);
  }
  if (ResumeThread(child->thread.get()) == static_cast<DWORD>(-1)) return abandon(child->process, last_os_error());

  // The child's ends, the relay's write end and the duplicates of our streams
  // close here, on return.
  auto ours = [](UniqueHandle& h) { return PipeEnd(UniqueStream(detail::as_stream(h.release()))); };
  return SpawnedProcess{ChildProcess(std::move(child)), ours(stdin_pipe->write), ours(out->parent_end),
                        ours(err->parent_end)};
}

void prepare_process_at_start() {
  // The executable imports only KnownDLLs, which are never searched for. A
  // DLL loaded by name later, by the system or a library on our behalf,
  // would be looked for beside the executable first, and the folder it was
  // run from (a download folder, say) may hold anything. From here on only
  // System32 is searched (Microsoft Learn, "SetDefaultDllDirectories
  // function"). Failure leaves the search as it was.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

  // No dialog may hold a supervisor or its agent: not the "has stopped
  // working" box of a crash, behind which the process stays alive (with
  // SEM_NOGPFAULTERRORBOX "the system does not invoke Windows Error
  // Reporting"), nor a critical-error box ("insert a disk"), which Microsoft
  // recommends every application turn off (SEM_FAILCRITICALERRORS). Both
  // from Microsoft Learn, "SetErrorMode function", which also says a child
  // inherits the mode: the agent crashes without a dialog too. The launcher's
  // other flags are kept.
  SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
}

}  // namespace wv
