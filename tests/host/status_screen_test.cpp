#include "host/status_screen.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/display_step.h"
#include "platform/clock.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

DeviceStatusFile status(std::string udid, std::optional<std::string> name = std::nullopt) {
  DeviceStatusFile s;
  s.udid = std::move(udid);
  if (name) s.device = DeviceSummary{*name, "iPhone15,2", "17.5"};
  return s;
}

TEST(StatusScreen, NoDevicesIsOneLineForEveryState) {
  EXPECT_EQ(render_screen(AgentState::Running, {}),
            "agent: running   (no devices yet — connect, unlock, and trust an iPhone over USB)");
  EXPECT_EQ(render_screen(AgentState::GaveUp, {}),
            "agent: stopped (auto-restart gave up — needs a manual restart)   (no devices yet — connect, unlock, "
            "and trust an iPhone over USB)");
  EXPECT_EQ(render_screen(AgentState::Restarting, {}).substr(0, 43), "agent: restarting after an unexpected exit ");
}

TEST(StatusScreen, DeviceBlocksWithRemediationErrorAndStaleMark) {
  DeviceStatusFile a = status("00008110-001A2C3E0E9B801E", "  Ana's iPhone ");
  a.session = SessionReport::Spoofing;
  a.transport = Transport::Usb;
  a.error = "";
  DeviceStatusFile b = status("abcdefghijklmnop");
  b.session = SessionReport::Spoofing;
  b.transport = Transport::Wireless;
  b.remediation = "Unlock the phone";
  b.error = "lost pairing";
  Snapshot snapshot{{a, false}, {b, true}};
  EXPECT_EQ(render_screen(AgentState::Running, snapshot),
            "agent: running\n"
            "  Ana's iPhone             Spoofing / Usb\n"
            "      !  \n"
            "  Device abcdefgh…         Idle / Wireless  [stale — agent not publishing]\n"
            "      -> Unlock the phone\n"
            "      !  lost pairing");
}

TEST(StatusScreen, LabelsArePaddedToTwentyFourCharactersAndNeverCut) {
  auto line = [](std::string name) {
    Snapshot s{{status("u", std::move(name)), false}};
    std::string text = render_screen(AgentState::Running, s);
    return text.substr(text.find('\n') + 3);
  };
  EXPECT_EQ(line("abcdefghijklmnopqrstuvwx"), "abcdefghijklmnopqrstuvwx Idle / Unknown");
  EXPECT_EQ(line("abcdefghijklmnopqrstuvwxyz0123"), "abcdefghijklmnopqrstuvwxyz0123 Idle / Unknown");
  // Padding counts characters, not bytes.
  EXPECT_EQ(line("Téléphone"), "Téléphone                Idle / Unknown");
}

TEST(StatusScreen, DisplayNameTrimsUnicodeWhiteSpaceAndFallsBackToTheUdid) {
  EXPECT_EQ(device_display_name(status("x", "  Kitchen phone ")), "Kitchen phone");
  EXPECT_EQ(device_display_name(status("x", "\u3000\u00a0Hall\u2003\t")), "Hall");
  // The ends of the run of spaces U+2000..U+200A; U+200B is no white space.
  EXPECT_EQ(device_display_name(status("x", "\u200A\u200BHall\u2000")), "\u200BHall");
  EXPECT_EQ(device_display_name(status("abcdefghijklmnop", " \u2028 ")), "Device abcdefgh…");
  EXPECT_EQ(device_display_name(status("abcdefghijklmnop")), "Device abcdefgh…");
  EXPECT_EQ(device_display_name(status("abcdefgh")), "Device abcdefgh…");
  EXPECT_EQ(device_display_name(status("")), "Device …");
  // The ninth byte falls inside "é": the whole udid is used.
  EXPECT_EQ(device_display_name(status("abcdefgéxyz")), "Device abcdefgéxyz…");
  // The ninth byte begins "é": the first eight bytes are whole characters.
  EXPECT_EQ(device_display_name(status("abcdefghé")), "Device abcdefgh…");
}

TEST(StatusScreen, TextsFromFilesCannotDriveTheTerminal) {
  DeviceStatusFile s = status("u", "\x1b[2J\x1b]0;owned\x07Phone");
  s.session = SessionReport::Lost;
  s.remediation = "line\nbreak\r\x7f";
  s.error =
      "\xc2\x9b"
      "31m";
  std::string text = render_screen(AgentState::Running, {{s, false}});
  EXPECT_EQ(text,
            "agent: running\n"
            "  \uFFFD[2J\uFFFD]0;owned\uFFFDPhone      Lost / Unknown\n"
            "      -> line\uFFFDbreak\uFFFD\uFFFD\n"
            "      !  \uFFFD31m");
}

TEST(StatusScreen, RefreshWritesOnlyWhenTheTextChanges) {
  std::vector<std::string> written;
  StatusScreen screen([&](std::string_view t) {
    written.emplace_back(t);
    return true;
  });
  Snapshot snapshot{{status("u", "Phone"), false}};
  ASSERT_TRUE(screen.refresh(AgentState::Running, snapshot));
  ASSERT_TRUE(screen.refresh(AgentState::Running, snapshot));
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], render_screen(AgentState::Running, snapshot) + "\n");
  snapshot[0].stale = true;
  ASSERT_TRUE(screen.refresh(AgentState::Running, snapshot));
  ASSERT_EQ(written.size(), 2u);
  EXPECT_NE(written[1].find("[stale"), std::string::npos);
  EXPECT_EQ(*screen.last_printed() + "\n", written[1]);
}

TEST(StatusScreen, AFailedWriteIsReportedAndNotRemembered) {
  int calls = 0;
  StatusScreen screen([&](std::string_view) { return ++calls > 1; });
  EXPECT_FALSE(screen.refresh(AgentState::Running, {}));
  EXPECT_FALSE(screen.last_printed().has_value());
  EXPECT_TRUE(screen.refresh(AgentState::Running, {}));
  EXPECT_EQ(calls, 2);
}

// The host's own staleness limit, through the files as the agent publishes
// them: 20 s old is fresh, 21 s is stale.
TEST(DisplayStep, AStatusIsStaleOnceItIsMoreThanTwentySecondsOld) {
  test::ScratchDir dir;
  auto status_json = [](std::string_view udid, std::uint64_t updated_at) {
    return "{\"version\":1,\"agent_version\":\"t\",\"udid\":\"" + std::string(udid) +
           "\",\"updated_at\":" + std::to_string(updated_at) + ",\"connected\":true,\"device\":{\"name\":\"" +
           std::string(udid) +
           "\",\"product_type\":\"iPhone15,2\",\"ios_version\":\"17.5\"},"
           "\"session\":\"spoofing\",\"remediation\":\"\",\"transport\":\"usb\"}";
  };
  dir.write(
      "devices.json",
      R"({"version":1,"agent_version":"t","devices":[{"udid":"twenty","name":""},{"udid":"twenty-one","name":""}]})");
  // Ages are whole seconds: a read in a later second than the writing is done again.
  std::vector<std::string> written;
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::uint64_t now = now_unix_secs();
    dir.write("devices/twenty/status.json", status_json("twenty", now - 20));
    dir.write("devices/twenty-one/status.json", status_json("twenty-one", now - 21));
    written.clear();
    DisplayStep step(dir.path(), [&](std::string_view text) {
      written.emplace_back(text);
      return true;
    });
    ASSERT_TRUE(step.run(AgentState::Running));
    if (now_unix_secs() == now) break;
  }
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0],
            "agent: running\n"
            "  twenty                   Spoofing / Usb\n"
            "  twenty-one               Idle / Usb  [stale — agent not publishing]\n");
}

}  // namespace
}  // namespace wv
