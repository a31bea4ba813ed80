// The schedule file.
#include "cli/schedule_json.h"

#include <cmath>
#include <vector>

#include "cli/clock_text.h"
#include "link/encodings.h"
#include "shell/epoch.h"

namespace tq::cli {
namespace {

constexpr const char* kNextStart = "next";

std::string start_text(std::uint32_t start_time) {
  if (start_time == 0) return kNextStart;
  const auto time = epoch_breakdown(start_time);
  if (!time) return "invalid (" + std::to_string(start_time) + ")";
  DeviceTime fields;
  fields.year = static_cast<std::uint16_t>(time->year);
  fields.month = static_cast<std::uint8_t>(time->month);
  fields.day = static_cast<std::uint8_t>(time->day);
  fields.hour = static_cast<std::uint8_t>(time->hour);
  fields.minute = static_cast<std::uint8_t>(time->minute);
  fields.second = static_cast<std::uint8_t>(time->second);
  return clock_iso(fields);
}

// Reads the fields of one object, refusing any field it was not asked for.
class Fields {
 public:
  Fields(const nlohmann::json& object, std::string where, std::string* error)
      : object_(object), where_(std::move(where)), error_(error) {
    if (!object.is_object()) fail("", "must be an object {...}");
  }

  [[nodiscard]] bool ok() const { return error_->empty(); }

  std::optional<std::uint32_t> whole(const char* name, std::uint32_t max, bool required) {
    const nlohmann::json* value = take(name, required);
    if (value == nullptr) return std::nullopt;
    if (!value->is_number_integer() || value->get<std::int64_t>() < 0 ||
        value->get<std::int64_t>() > static_cast<std::int64_t>(max)) {
      fail(name, "must be a whole number from 0 to " + std::to_string(max));
      return std::nullopt;
    }
    return value->get<std::uint32_t>();
  }

  std::optional<double> number(const char* name, double max, const char* unit, bool required) {
    const nlohmann::json* value = take(name, required);
    if (value == nullptr) return std::nullopt;
    if (!value->is_number() || !std::isfinite(value->get<double>()) || value->get<double>() < 0 ||
        value->get<double>() > max) {
      char range[64];
      std::snprintf(range, sizeof range, "must be a number from 0 to %.1f %s", max, unit);
      fail(name, range);
      return std::nullopt;
    }
    return value->get<double>();
  }

  std::optional<bool> flag(const char* name, bool required) {
    const nlohmann::json* value = take(name, required);
    if (value == nullptr) return std::nullopt;
    if (!value->is_boolean()) {
      fail(name, "must be true or false");
      return std::nullopt;
    }
    return value->get<bool>();
  }

  const nlohmann::json* take(const char* name, bool required) {
    if (!ok() || !object_.is_object()) return nullptr;
    seen_.push_back(name);
    const auto found = object_.find(name);
    if (found == object_.end()) {
      if (required) fail(name, "is missing");
      return nullptr;
    }
    return &*found;
  }

  // Any field not taken is a mistake (a misspelt name would otherwise be ignored).
  void finish() {
    if (!ok() || !object_.is_object()) return;
    for (const auto& [key, value] : object_.items()) {
      bool known = false;
      for (const std::string& name : seen_) known = known || name == key;
      if (!known) fail(key, "is not a field of the schedule file");
    }
  }

  void fail(const std::string& name, const std::string& what) {
    if (!ok()) return;
    *error_ = where_ + (name.empty() ? "" : (where_.empty() ? "" : ".") + name) + " " + what;
  }

 private:
  const nlohmann::json& object_;
  std::string where_;
  std::string* error_;
  std::vector<std::string> seen_;
};

}  // namespace

nlohmann::json schedule_to_json(const ScheduleRecord& schedule) {
  nlohmann::json waypoints = nlohmann::json::array();
  for (const ScheduleEntry& row : schedule.rows) {
    if ((row.flags & kScheduleRowInUse) == 0) continue;
    waypoints.push_back({{"offset_minutes", row.offset_minutes},
                         {"samples", row.samples},
                         {"volume_litres", row.volume_tenths / 10.0},
                         {"timeout_minutes", row.timeout_minutes},
                         {"clean", (row.flags & kScheduleRowClean) != 0}});
  }
  return {{"autostart", schedule.autostart != 0},
          {"start", start_text(schedule.start_time)},
          {"waypoints", waypoints}};
}

ScheduleFromJson schedule_from_json(const nlohmann::json& document) {
  ScheduleFromJson result;
  Fields top(document, "", &result.error);
  const bool autostart = top.flag("autostart", true).value_or(false);
  std::uint32_t start_time = 0;
  if (const nlohmann::json* start = top.take("start", true)) {
    const auto text = start->is_string() ? start->get<std::string>() : std::string();
    if (text != kNextStart) {
      const auto fields = parse_clock_time(text);
      CalendarTime calendar;
      if (fields) {
        calendar = {fields->year, fields->month,  fields->day,
                    fields->hour, fields->minute, fields->second};
      }
      start_time = fields ? calendar_to_epoch(calendar) : kEpochInvalid;
      if (start_time == kEpochInvalid || start_time == 0) {
        top.fail("start",
                 "must be \"next\" or a time from 1970-01-01T00:00:01 to 2038-01-19T03:14:07 "
                 "written YYYY-MM-DDTHH:MM:SS");
      }
    }
  }
  std::vector<ScheduleRow> rows;
  if (const nlohmann::json* waypoints = top.take("waypoints", true)) {
    if (!waypoints->is_array()) {
      top.fail("waypoints", "must be a list [...]");
    } else if (waypoints->size() > kScheduleRows) {
      top.fail("waypoints", "holds " + std::to_string(waypoints->size()) +
                                " waypoints; the instrument keeps at most 15");
    } else {
      for (std::size_t i = 0; i < waypoints->size() && top.ok(); ++i) {
        Fields row(waypoints->at(i), "waypoints[" + std::to_string(i) + "]", &result.error);
        ScheduleRow entry;
        entry.in_use = true;
        entry.offset_minutes = row.whole("offset_minutes", 65535, true).value_or(0);
        entry.samples = row.whole("samples", 255, true).value_or(0);
        entry.volume_litres =
            row.number("volume_litres", kMaxVolumeLitres, "litres", true).value_or(0);
        entry.timeout_minutes = row.whole("timeout_minutes", 255, true).value_or(0);
        entry.clean = row.flag("clean", false).value_or(false);
        row.finish();
        rows.push_back(entry);
      }
    }
  }
  top.finish();
  if (!result.error.empty()) return result;
  result.record = BuildScheduleRecord(autostart, start_time, rows);
  return result;
}

}  // namespace tq::cli
