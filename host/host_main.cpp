#include "host/host_main.h"

#include <string>

#include "agent/agent_launch.h"
#include "datadir/data_dir.h"
#include "platform/console.h"
#include "platform/text.h"

namespace wv {

int host_main() {
  auto agent = locate_agent();
  auto dir = resolve_data_dir();
  std::string banner = "Wayvane GPS — console host\n";
  banner += "  agent    : " + (agent ? path_to_utf8_lossy(*agent) : std::string("(not found)")) + "\n";
  banner += "  data dir : " + (dir ? path_to_utf8_lossy(*dir) : std::string("(none)")) + "\n";
  return write_stdout(banner) ? 0 : 101;
}

}  // namespace wv
