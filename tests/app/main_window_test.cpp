// The main window's menu rule, identity texts and command table.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <map>

#include "ui/resource.h"

namespace tq {
namespace {

std::map<int, bool> rule_of(int view_id, int running) {
  std::map<int, bool> enabled;
  for (const ControlFlag& item : menu_rule(view_id, running)) enabled[item.id] = item.on;
  return enabled;
}

constexpr int kConfigureItems[] = {IDM_DEVICE_IDENTIFICATION,
                                   IDM_REAL_TIME_CLOCK,
                                   IDM_MOTORS,
                                   IDM_PRESSURE_SENSOR,
                                   IDM_FLOW_METER,
                                   IDM_STABILIZATION_CLEANING,
                                   IDM_SCHEDULE};

struct RuleRow {
  int view_id;
  int running;
  bool disconnect, save_log, views, configure;
};

TEST(MenuRule, EveryRowOfTheTable) {
  const RuleRow rows[] = {
      {IDD_CONNECT_VIEW, 0, false, false, false, false},
      {IDD_CONNECT_VIEW, 1, false, false, false, false},
      {IDD_RUN_VIEW, 0, true, true, true, true},
      {IDD_RUN_VIEW, 1, false, false, true, false},
      {IDD_DIAGNOSTICS_VIEW, 0, true, false, true, true},
      {IDD_DIAGNOSTICS_VIEW, 1, false, false, true, false},
  };
  for (const RuleRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "view " << row.view_id << " running " << row.running);
    auto enabled = rule_of(row.view_id, row.running);
    EXPECT_EQ(enabled.size(), 13u);
    EXPECT_EQ(enabled[IDM_DISCONNECT], row.disconnect);
    EXPECT_EQ(enabled[IDM_SAVE_LOG], row.save_log);
    EXPECT_EQ(enabled[IDM_VIEW_RUN], row.views);
    EXPECT_EQ(enabled[IDM_VIEW_DIAGNOSTICS], row.views);
    for (const int id : kConfigureItems) EXPECT_EQ(enabled[id], row.configure) << id;
    EXPECT_FALSE(enabled[IDM_RS232]);
    EXPECT_TRUE(enabled[IDM_ABOUT]);
    EXPECT_EQ(enabled.count(IDM_EXIT), 0u);  // never grayed: the rule leaves it alone
  }
}

IdentityRecord identity_named(const std::string& name) {
  IdentityRecord identity;
  for (std::size_t i = 0; i < name.size() && i < identity.name.size(); ++i) {
    identity.name[i] = name[i];
  }
  return identity;
}

TEST(IdentityTexts, NotConnected) {
  const IdentityTexts texts = not_connected_identity_texts();
  EXPECT_EQ(texts.title, "tarnquill_rs232ui (not connected)");
  EXPECT_EQ(texts.status_connection, "Not connected");
  EXPECT_EQ(texts.status_extra, "");
}

TEST(IdentityTexts, ConnectedShowsTypeNameAndSensorName) {
  const IdentityTexts texts = connected_identity_texts(identity_named("Harbour 3"), 42);
  EXPECT_EQ(texts.title, "A0042 Simulator (Harbour 3)");
  EXPECT_EQ(texts.status_connection, "Connected to Harbour 3");
  EXPECT_EQ(texts.status_extra, "");
  EXPECT_EQ(connected_identity_texts(identity_named("X"), 9999).title, "A9999 Unknown Device (X)");
}

TEST(IdentityTexts, SensorNameIsCutToTwentyEvenWithoutATerminator) {
  // All 21 bytes of the field filled: the name must stop at 20 and never run past it.
  const IdentityTexts texts =
      connected_identity_texts(identity_named("ABCDEFGHIJKLMNOPQRSTU"), 2002);
  EXPECT_EQ(texts.status_connection, "Connected to ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(texts.title, "A2002 Benchtop Sampler Dual Pump (ABCDEFGHIJKLMNOPQRST)");
  EXPECT_EQ(texts.title.size(), 55u);
}

TEST(IdentityTexts, TitleIsCutTo55Characters) {
  const std::string title = identity_title("A0001 " + std::string(40, 'N'), "Sensor 1");
  EXPECT_EQ(title, "A0001 " + std::string(40, 'N') + " (Sensor ");
  EXPECT_EQ(title.size(), 55u);
}

}  // namespace
}  // namespace tq
