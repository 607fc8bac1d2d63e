#include "platform/process_start.h"

#include <windows.h>

namespace wv {

void prepare_process_at_start() {
  // The executable imports only KnownDLLs, which never come from its folder;
  // but a DLL the system loads for it later (a console or locale helper)
  // would otherwise be looked for beside the executable first, where a
  // download folder may hold anything. System32 only, and whatever is loaded
  // by full path.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace wv
