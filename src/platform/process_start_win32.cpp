#include "platform/process_start.h"

#include <windows.h>

namespace wv {

void prepare_process_at_start() {
  // The executable imports only KnownDLLs, which are never searched for. A
  // DLL loaded by name later, by the system or a library on our behalf,
  // would be looked for beside the executable first, and the folder it was
  // run from (a download folder, say) may hold anything. From here on only
  // System32 is searched. Failure leaves the search as it was.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace wv
