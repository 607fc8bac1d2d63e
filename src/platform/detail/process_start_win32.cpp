#include "platform/process_start.h"

#include <windows.h>

namespace wv {

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
