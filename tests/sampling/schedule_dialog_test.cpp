// The schedule dialog's logic against records written out byte by byte: what Save sends
// for the operator's rows, what the dialog shows for what the instrument holds, and which
// controls the check boxes and start choices enable.
#include "sampling/schedule_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

namespace tq {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes encoded(const ScheduleRecord& record) {
  std::array<std::uint8_t, kScheduleRecordSize> bytes{};
  EncodeScheduleRecord(record, bytes);
  return {bytes.begin(), bytes.end()};
}

ScheduleRecord decoded(const Bytes& bytes) {
  std::array<std::uint8_t, kScheduleRecordSize> raw{};
  std::copy(bytes.begin(), bytes.end(), raw.begin());
  ScheduleRecord record;
  DecodeScheduleRecord(raw, record);
  return record;
}

// 98 bytes: header, then the given slots (6 bytes each) from offset 8, the rest zero.
Bytes schedule_bytes(std::array<std::uint8_t, 8> header, const std::vector<Bytes>& slots) {
  Bytes bytes(header.begin(), header.end());
  for (const Bytes& slot : slots) bytes.insert(bytes.end(), slot.begin(), slot.end());
  bytes.resize(kScheduleRecordSize, 0);
  return bytes;
}

WaypointEntry row(const char* offset, const char* samples, const char* volume, const char* timeout,
                  bool clean = false) {
  return {true, offset, samples, volume, timeout, clean};
}

std::map<int, std::string> texts_of(const WindowFace& face) {
  std::map<int, std::string> texts;
  for (const ControlText& text : face.texts) texts[text.id] = text.text;
  return texts;
}

std::map<int, bool> flags_of(const std::vector<ControlFlag>& flags) {
  std::map<int, bool> by_id;
  for (const ControlFlag& flag : flags) by_id[flag.id] = flag.on;
  return by_id;
}

TEST(ScheduleRows, TheIdTableFollowsTheTemplatesNumbering) {
  const WaypointRowIds first = kWaypointRows[0];
  EXPECT_EQ(first.enable, 2374);
  EXPECT_EQ(first.offset, 2375);
  EXPECT_EQ(first.samples, 2376);
  EXPECT_EQ(first.volume, 2457);
  EXPECT_EQ(first.timeout, 2377);
  EXPECT_EQ(first.clean, 2442);
  const WaypointRowIds last = kWaypointRows[14];
  EXPECT_EQ(last.enable, 2430);
  EXPECT_EQ(last.offset, 2431);
  EXPECT_EQ(last.samples, 2432);
  EXPECT_EQ(last.volume, 2471);
  EXPECT_EQ(last.timeout, 2433);
  EXPECT_EQ(last.clean, 2456);
  // No id is used twice, and none meets the dialog's other controls.
  std::set<int> ids;
  for (const WaypointRowIds& ids_of_row : kWaypointRows) {
    for (const int id : {ids_of_row.enable, ids_of_row.offset, ids_of_row.samples,
                         ids_of_row.volume, ids_of_row.timeout, ids_of_row.clean}) {
      EXPECT_TRUE(ids.insert(id).second) << id;
    }
  }
  for (const int other :
       {IDC_SCHEDULE_DATE, IDC_SCHEDULE_TIME, IDC_SCHEDULE_AUTOSTART, IDC_SCHEDULE_NEXT_START,
        IDC_SCHEDULE_AT_OR_AFTER, IDC_SCHEDULE_CLOCK, IDC_SCHEDULE_SAVE}) {
    EXPECT_EQ(ids.count(other), 0u) << other;
  }
  EXPECT_EQ(waypoint_row_of_enable_box(2378), 1u);
  EXPECT_FALSE(waypoint_row_of_enable_box(2375).has_value());  // an offset edit
}

TEST(ScheduleSave, CheckedRowsAreCompactedAndSortedByOffset) {
  ScheduleEntries entries;
  entries.autostart = true;
  entries.start_choice = StartChoice::kNextStart;
  entries.rows[2] = row("120", "3", "2.5", "45", true);  // row 3
  entries.rows[6] = row("30", "1", "0.5", "10");         // row 7
  // Unchecked rows leave nothing behind, whatever they hold.
  entries.rows[4] = {false, "5", "9", "9.9", "9", true};
  const Bytes expected = schedule_bytes({0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
                                        {
                                            {0x01, 1, 5, 10, 30, 0x00},    // row 7: offset 30
                                            {0x03, 3, 25, 45, 120, 0x00},  // row 3: clean
                                        });
  EXPECT_EQ(encoded(build_schedule_record(entries)), expected);
}

TEST(ScheduleSave, EntriesAreLimitedToTheirFields) {
  ScheduleEntries entries;
  entries.rows[0] = row("70000", "300", "2.5", "256");
  entries.rows[1] = row("65535", "255", "25.5", "255");
  entries.rows[2] = row("", "x", "lots", "-1");  // not numbers: 0
  entries.rows[3] = row("1", "1", "99", "1");    // 99 litres do not fit a byte
  entries.rows[4] = row("2", "1", "-3", "1");    // nor do negative volumes
  entries.rows[5] = row("3", "1", "1e300", "1");
  const ScheduleRecord record = build_schedule_record(entries);
  const Bytes bytes = encoded(record);
  const Bytes expected =
      schedule_bytes({0, 0, 0, 0, 0, 0, 0, 0}, {
                                                   {0x01, 0, 0, 0, 0x00, 0x00},
                                                   {0x01, 1, 255, 1, 0x01, 0x00},
                                                   {0x01, 1, 0, 1, 0x02, 0x00},
                                                   {0x01, 1, 255, 1, 0x03, 0x00},
                                                   {0x01, 255, 25, 255, 0xFF, 0xFF},
                                                   {0x01, 255, 255, 255, 0xFF, 0xFF},
                                               });
  EXPECT_EQ(bytes, expected);
}

TEST(ScheduleSave, NoRowCheckedSendsNoWaypointInUse) {
  ScheduleEntries entries;
  for (WaypointEntry& entry : entries.rows) entry = {false, "10", "2", "1.0", "5", true};
  EXPECT_EQ(encoded(build_schedule_record(entries)), Bytes(kScheduleRecordSize, 0));
}

TEST(ScheduleSave, EqualOffsetsKeepTheirRowOrder) {
  ScheduleEntries entries;
  entries.rows[0] = row("60", "1", "1", "1");
  entries.rows[1] = row("10", "2", "1", "1");
  entries.rows[2] = row("60", "3", "1", "1");
  const ScheduleRecord record = build_schedule_record(entries);
  EXPECT_EQ(record.rows[0].samples, 2);
  EXPECT_EQ(record.rows[1].samples, 1);
  EXPECT_EQ(record.rows[2].samples, 3);
}

TEST(ScheduleSave, TheStartTimeComesFromThePickersOnlyUnderAtOrAfter) {
  ScheduleEntries entries;
  entries.picked = {2026, 7, 7, 10, 0, 0};
  entries.start_choice = StartChoice::kNextStart;
  EXPECT_EQ(build_schedule_record(entries).start_time, 0u);
  entries.start_choice.reset();  // neither choice checked
  EXPECT_EQ(build_schedule_record(entries).start_time, 0u);
  entries.start_choice = StartChoice::kAtOrAfter;
  const Bytes bytes = encoded(build_schedule_record(entries));
  // 1783418400 = 0x6A4CCE20, little-endian at offset 4.
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8),
            (Bytes{0x00, 0x00, 0x00, 0x00, 0x20, 0xCE, 0x4C, 0x6A}));
}

TEST(ScheduleSave, MomentsOutsideTheRepresentableRangeAreSentAsAllOnes) {
  struct Case {
    CalendarTime picked;
    std::uint32_t start_time;
  };
  const Case cases[] = {
      {{1969, 12, 31, 11, 59, 59}, 0xFFFFFFFFu},
      {{1969, 12, 31, 12, 0, 0}, 0xFFFF5740u},  // -43200, the first valid moment
      {{1970, 1, 1, 0, 0, 0}, 0u},
      {{2038, 1, 19, 3, 14, 7}, 0x7FFFFFFFu},
      {{2038, 1, 19, 3, 14, 8}, 0xFFFFFFFFu},
      {{1601, 1, 1, 0, 0, 0}, 0xFFFFFFFFu},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picked.year);
    ScheduleEntries entries;
    entries.start_choice = StartChoice::kAtOrAfter;
    entries.picked = c.picked;
    EXPECT_EQ(build_schedule_record(entries).start_time, c.start_time);
  }
}

TEST(ScheduleLoad, EverySlotIsShownWhateverItsFlags) {
  // Start 07/07/2026 10:00:00, Autostart; slot 0 in use with cleaning; slot 1 not in use
  // but holding values; slot 14 in use.
  Bytes bytes = schedule_bytes({0x00, 0x01, 0x00, 0x00, 0x20, 0xCE, 0x4C, 0x6A},
                               {{0x03, 4, 25, 60, 0x2C, 0x01}, {0x02, 7, 3, 9, 0x10, 0x27}});
  const std::size_t last = kScheduleRowsOffset + 14 * kScheduleEntrySize;
  const Bytes last_slot = {0x01, 255, 255, 255, 0xFF, 0xFF};
  std::copy(last_slot.begin(), last_slot.end(), bytes.begin() + static_cast<std::ptrdiff_t>(last));
  const ScheduleView view = schedule_view(decoded(bytes));
  EXPECT_EQ(view.picker_moment, 1783418400u);
  const auto checked = flags_of(view.face.checked);
  EXPECT_TRUE(checked.at(IDC_SCHEDULE_AUTOSTART));
  EXPECT_FALSE(checked.at(IDC_SCHEDULE_NEXT_START));
  EXPECT_TRUE(checked.at(IDC_SCHEDULE_AT_OR_AFTER));
  const auto texts = texts_of(view.face);
  const WaypointRowIds& first = kWaypointRows[0];
  EXPECT_TRUE(checked.at(first.enable));
  EXPECT_TRUE(checked.at(first.clean));
  EXPECT_EQ(texts.at(first.offset), "300");
  EXPECT_EQ(texts.at(first.samples), "4");
  EXPECT_EQ(texts.at(first.volume), "2.5");
  EXPECT_EQ(texts.at(first.timeout), "60");
  const WaypointRowIds& second = kWaypointRows[1];
  EXPECT_FALSE(checked.at(second.enable));
  EXPECT_TRUE(checked.at(second.clean));
  EXPECT_EQ(texts.at(second.offset), "10000");
  EXPECT_EQ(texts.at(second.samples), "7");
  EXPECT_EQ(texts.at(second.volume), "0.3");
  EXPECT_EQ(texts.at(second.timeout), "9");
  const WaypointRowIds& fifteenth = kWaypointRows[14];
  EXPECT_TRUE(checked.at(fifteenth.enable));
  EXPECT_EQ(texts.at(fifteenth.offset), "65535");
  EXPECT_EQ(texts.at(fifteenth.volume), "25.5");
  const WaypointRowIds& empty = kWaypointRows[7];
  EXPECT_FALSE(checked.at(empty.enable));
  EXPECT_EQ(texts.at(empty.offset), "0");
  EXPECT_EQ(texts.at(empty.volume), "0.0");
  EXPECT_EQ(view.face.texts.size(), 4 * kScheduleRows);
}

TEST(ScheduleLoad, StartTimeZeroIsTheNextStartWithThePickersAtTheEpoch) {
  const ScheduleView view = schedule_view(decoded(Bytes(kScheduleRecordSize, 0)));
  const auto checked = flags_of(view.face.checked);
  EXPECT_TRUE(checked.at(IDC_SCHEDULE_NEXT_START));
  EXPECT_FALSE(checked.at(IDC_SCHEDULE_AT_OR_AFTER));
  EXPECT_FALSE(checked.at(IDC_SCHEDULE_AUTOSTART));
  EXPECT_EQ(view.picker_moment, 0u);  // 01/01/1970 00:00:00
}

// What Save sends, read back, shows the same rows.
TEST(ScheduleLoad, ASavedVolumeReadsBackAsTyped) {
  ScheduleEntries entries;
  entries.rows[0] = row("15", "2", "2.5", "30");
  const ScheduleView view = schedule_view(decoded(encoded(build_schedule_record(entries))));
  EXPECT_EQ(texts_of(view.face).at(kWaypointRows[0].volume), "2.5");
}

TEST(ScheduleEnabling, RowsFollowTheirBoxesAndThePickersTheAtOrAfterChoice) {
  ScheduleSwitches switches;
  switches.row_enabled[2] = true;
  auto flags = flags_of(schedule_enabled(switches));
  for (std::size_t k = 0; k < kScheduleRows; ++k) {
    const WaypointRowIds& ids = kWaypointRows[k];
    const bool on = k == 2;
    for (const int id : {ids.offset, ids.samples, ids.volume, ids.timeout, ids.clean}) {
      EXPECT_EQ(flags.at(id), on) << "row " << k + 1 << " control " << id;
    }
    EXPECT_EQ(flags.count(ids.enable), 0u);  // the box itself is never disabled
  }
  EXPECT_FALSE(flags.at(IDC_SCHEDULE_DATE));
  EXPECT_FALSE(flags.at(IDC_SCHEDULE_TIME));
  switches.at_or_after = true;
  flags = flags_of(schedule_enabled(switches));
  EXPECT_TRUE(flags.at(IDC_SCHEDULE_DATE));
  EXPECT_TRUE(flags.at(IDC_SCHEDULE_TIME));
}

TEST(ScheduleClockButton, TheInstrumentsClockBecomesEpochSeconds) {
  EXPECT_EQ(device_time_to_epoch({2026, 7, 7, 10, 0, 0}), 1783418400u);
  EXPECT_EQ(device_time_to_epoch({2024, 2, 29, 23, 59, 58}), 1709251198u);
  // A moment it cannot represent gives all ones, which the pickers show as 31/12/1969
  // 23:59:59.
  EXPECT_EQ(device_time_to_epoch({2023, 2, 29, 0, 0, 0}), 0xFFFFFFFFu);
  EXPECT_EQ(device_time_to_epoch({2106, 1, 1, 0, 0, 0}), 0xFFFFFFFFu);
  EXPECT_EQ(device_time_to_epoch({2026, 13, 1, 0, 0, 0}), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace tq
