// The screen of whatever a status file can hold is valid UTF-8 and carries no
// control character but line feeds, so no file can drive the terminal.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "datadir/device_status.h"
#include "fuzz/fuzz_check.h"
#include "host/status_screen.h"
#include "platform/text.h"

namespace {

void check_screen(const std::string& screen) {
  wv::fuzz::check(wv::is_valid_utf8(screen), "the screen is valid UTF-8");
  wv::for_each_scalar(screen, [](char32_t c) {
    bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    wv::fuzz::check(!control || c == U'\n', "the screen has no control character but line feeds");
  });
  wv::fuzz::check(screen.empty() || screen.back() != '\n', "the screen has no trailing line feed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto status = wv::decode_status(text);
  if (!status) return 0;
  wv::Snapshot snapshot;
  snapshot.push_back(wv::DeviceView{*status, false});
  snapshot.push_back(wv::DeviceView{*status, true});
  for (auto state : {wv::AgentState::Running, wv::AgentState::Restarting, wv::AgentState::GaveUp}) {
    check_screen(wv::render_screen(state, snapshot));
  }
  check_screen(wv::device_display_name(*status));
  return 0;
}
