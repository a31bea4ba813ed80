// The Diagnostics view's log rows, their colours, the 201-row window and the health
// read-outs, against the documented texts.
#include "diagnostics/diagnostics_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "ui/resource.h"

namespace tq {
namespace {

DiagnosticLogEntry entry(std::int32_t counter, std::uint8_t task, std::uint8_t severity,
                         const char* function, std::int32_t line, const char* message) {
  DiagnosticLogEntry e;
  e.counter = counter;
  e.task_id = task;
  e.severity = severity;
  SetFieldText(e.function, function);
  e.line = line;
  SetFieldText(e.message, message);
  return e;
}

TEST(LogRows, CellsAreTheDocumentedTexts) {
  EXPECT_EQ(log_row_cells(entry(42, 3, 1, "F", 120, "M")),
            (std::vector<std::string>{"00000042", "03", "E", "F", "120", "M"}));
  // The counter and the line are signed; a task id needs no more than its digits.
  EXPECT_EQ(log_row_cells(entry(-42, 200, 2, "f", -7, "m"))[0], "-0000042");
  EXPECT_EQ(log_row_cells(entry(-42, 200, 2, "f", -7, "m"))[1], "200");
  EXPECT_EQ(log_row_cells(entry(-42, 200, 2, "f", -7, "m"))[4], "-7");
  EXPECT_EQ(log_row_cells(entry(std::numeric_limits<std::int32_t>::min(), 0, 4, "", 0, ""))[0],
            "-2147483648");
  EXPECT_EQ(log_row_cells(entry(123456789, 0, 4, "", 0, ""))[0], "123456789");
}

TEST(LogRows, SeverityLettersWithAQuestionMarkForAnythingElse) {
  EXPECT_EQ(severity_letter(1), "E");
  EXPECT_EQ(severity_letter(2), "I");
  EXPECT_EQ(severity_letter(4), "D");
  EXPECT_EQ(severity_letter(3), "?");  // two bits: not a severity
  EXPECT_EQ(severity_letter(0), "?");
  EXPECT_EQ(severity_letter(255), "?");
}

TEST(LogRows, TextsEndAtAFullFieldAndNeverReadBeyondIt) {
  // The entry as it arrives: function and message fill their fields without a NUL, and the
  // bytes after each are not text (the line number, then the end of the payload).
  std::array<std::uint8_t, kDiagnosticLogEntrySize> payload{};
  std::fill(payload.begin() + 5, payload.begin() + 37, 'f');
  payload[37] = 'L';  // line number 0x4C4C4C4C: letters if it were read as text
  payload[38] = 'L';
  payload[39] = 'L';
  payload[40] = 'L';
  payload[42] = 2;
  std::fill(payload.begin() + 43, payload.end(), 'm');
  DiagnosticLogEntry e;
  DecodeDiagnosticLogEntry(payload, e);
  const auto cells = log_row_cells(e);
  EXPECT_EQ(cells[3], std::string(32, 'f'));
  EXPECT_EQ(cells[5], std::string(71, 'm'));

  // Text after an early NUL is not shown either.
  std::memcpy(payload.data() + 43, "short\0hidden", 12);
  DecodeDiagnosticLogEntry(payload, e);
  EXPECT_EQ(log_row_cells(e)[5], "short");
}

TEST(LogRows, ARestartIsBlueBeforeAnErrorIsRed) {
  EXPECT_EQ(log_row_colour(entry(1, 0, 2, "main", 1, "Restarted after reset")), kRowBlue);
  EXPECT_EQ(log_row_colour(entry(1, 0, 1, "main", 1, "Restarted after reset")), kRowBlue);
  EXPECT_EQ(log_row_colour(entry(1, 0, 1, "main", 1, "Watchdog: Restarted after reset (3)")),
            kRowBlue);
  EXPECT_EQ(log_row_colour(entry(1, 0, 1, "main", 1, "Motor stalled")), kRowRed);
  EXPECT_EQ(log_row_colour(entry(1, 0, 2, "main", 1, "Motor stalled")), kRowBlack);
  EXPECT_EQ(log_row_colour(entry(1, 0, 4, "main", 1, "restarted after reset")), kRowBlack);
  EXPECT_EQ(log_row_colour(entry(1, 0, 3, "main", 1, "x")), kRowBlack);
  // Red 255 and blue 255 in the list's 0x00BBGGRR colours.
  EXPECT_EQ(kRowRed, 0x000000FFu);
  EXPECT_EQ(kRowBlue, 0x00FF0000u);
}

TEST(LogRows, TheListKeepsTheNewest201RowsInOrder) {
  LogRowWindow window;
  for (int i = 0; i < kMaxLogRows; ++i) {
    const LogRowChange change = add_log_row(window, entry(i, 1, 2, "f", 1, "m"));
    ASSERT_FALSE(change.drop_oldest) << i;
    ASSERT_EQ(change.row.index, i);
    ASSERT_EQ(change.row.change, ListRow::Change::kInsert);
  }
  EXPECT_EQ(window.shown, 201);
  for (int i = 201; i < 205; ++i) {
    const LogRowChange change = add_log_row(window, entry(i, 1, 1, "f", 1, "m"));
    EXPECT_TRUE(change.drop_oldest);
    EXPECT_EQ(change.row.index, 200);  // the last place, after the first row went
    EXPECT_EQ(change.row.cells[0], "00000" + std::to_string(i));
    EXPECT_EQ(change.row.colour, kRowRed);
  }
  EXPECT_EQ(window.shown, 201);
}

SystemStatus status(std::uint8_t state, float volts, float celsius, float humidity) {
  SystemStatus s;
  s.sampler_state = state;
  s.supply_voltage = volts;
  s.board_temperature = celsius;
  s.board_humidity = humidity;
  return s;
}

// The text decided for one read-out, or nothing when it is left as it is.
std::optional<std::string> text_for(const HealthUpdate& update, int id) {
  for (const ControlText& text : update.texts) {
    if (text.id == id) return text.text;
  }
  return std::nullopt;
}

TEST(Health, TheFirstReadingShowsEveryValueThatIsNotZero) {
  const HealthUpdate update = decide_health({}, status(2, 12.5f, 21.456f, 45.5f));
  EXPECT_EQ(text_for(update, IDC_RUN_STATE), "IDLE");
  EXPECT_EQ(text_for(update, IDC_VOLTAGE), "12.50 V");
  // The degree sign is one Windows-1252 byte.
  EXPECT_EQ(text_for(update, IDC_TEMP),
            "21.46 \xB0"
            "C");
  EXPECT_EQ(text_for(update, IDC_TEMP)->size(), 8u);
  EXPECT_EQ(text_for(update, IDC_RH), "45.50%");
  EXPECT_EQ(update.shown, status(2, 12.5f, 21.456f, 45.5f));
  EXPECT_FALSE(update.running);
}

TEST(Health, OnlyChangedValuesAreRewritten) {
  const SystemStatus shown = status(2, 12.5f, 21.0f, 45.5f);
  EXPECT_TRUE(decide_health(shown, shown).texts.empty());
  const HealthUpdate update = decide_health(shown, status(8, 12.5f, 21.25f, 45.5f));
  EXPECT_EQ(update.texts, (std::vector<ControlText>{{IDC_RUN_STATE, "RUNNING"},
                                                    {IDC_TEMP,
                                                     "21.25 \xB0"
                                                     "C"}}));
  EXPECT_TRUE(update.running);
}

TEST(Health, ZeroIsNotShownUntilTheValueHasOnceBeenDifferent) {
  // A board without a humidity sensor reads 0.0: the box keeps "unavailable".
  HealthUpdate update = decide_health({}, status(2, 12.0f, 20.0f, 0.0f));
  EXPECT_FALSE(text_for(update, IDC_RH).has_value());
  update = decide_health(update.shown, status(2, 12.0f, 20.0f, 0.0f));
  EXPECT_FALSE(text_for(update, IDC_RH).has_value());
  // Once it has read something else, a return to zero is shown.
  update = decide_health(update.shown, status(2, 12.0f, 20.0f, 30.0f));
  update = decide_health(update.shown, status(2, 0.0f, 20.0f, 0.0f));
  EXPECT_EQ(text_for(update, IDC_RH), "0.00%");
  EXPECT_EQ(text_for(update, IDC_VOLTAGE), "0.00 V");
  // The run state byte starts at zero too.
  EXPECT_FALSE(text_for(decide_health({}, status(0, 1, 1, 1)), IDC_RUN_STATE).has_value());
}

TEST(Health, ANotANumberAlwaysCountsAsChanged) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const HealthUpdate first = decide_health({}, status(2, nan, 20.0f, 40.0f));
  ASSERT_TRUE(text_for(first, IDC_VOLTAGE).has_value());
  const HealthUpdate again = decide_health(first.shown, status(2, nan, 20.0f, 40.0f));
  EXPECT_TRUE(text_for(again, IDC_VOLTAGE).has_value());
  EXPECT_EQ(again.texts.size(), 1u);
  EXPECT_EQ(text_for(decide_health(again.shown, status(2, 11.0f, 20.0f, 40.0f)), IDC_VOLTAGE),
            "11.00 V");
}

TEST(Health, AFailedReadingChangesNothing) {
  const SystemStatus shown = status(9, 12.0f, 20.0f, 40.0f);
  const HealthUpdate update = decide_health(shown, std::nullopt);
  EXPECT_TRUE(update.texts.empty());
  EXPECT_EQ(update.shown, shown);
  EXPECT_TRUE(update.running);  // still what was last shown
}

TEST(Health, RunStateTextsAndTheRunningFlag) {
  EXPECT_EQ(run_state_text(1), "UNPOWERED");
  EXPECT_EQ(run_state_text(2), "IDLE");
  for (const int busy : {3, 10, 11, 0, 255}) {
    EXPECT_EQ(run_state_text(static_cast<std::uint8_t>(busy)), "RUNNING") << busy;
  }
  EXPECT_FALSE(run_state_is_running(0));
  EXPECT_FALSE(run_state_is_running(1));
  EXPECT_FALSE(run_state_is_running(2));
  EXPECT_TRUE(run_state_is_running(3));
  EXPECT_TRUE(run_state_is_running(255));
}

}  // namespace
}  // namespace tq
