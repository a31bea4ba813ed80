// What a window shows, as plain records: a window's portable logic decides one of these
// from its inputs, and the Win32 layer applies it with one helper per kind
// (window_kit_win32.h). Enabling rules are tables of rows evaluated here.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tq {

struct ControlText {
  int id;
  std::string text;

  bool operator==(const ControlText&) const = default;
};

// An enabled or a checked state.
struct ControlFlag {
  int id;
  bool on;

  bool operator==(const ControlFlag&) const = default;
};

// Everything a window sets on a refresh. Controls that are not named keep what they show.
struct WindowFace {
  std::vector<ControlText> texts;
  std::vector<ControlFlag> enabled;
  std::vector<ControlFlag> checked;
};

// One row of an enabling table: the control, and the condition under which it is enabled.
template <class Condition>
struct RuleRow {
  int id;
  Condition when;
};

// The enabled state of every control of `rows`, in table order, `holds` telling which
// conditions are true now.
template <class Condition>
[[nodiscard]] std::vector<ControlFlag> evaluate_rule(std::span<const RuleRow<Condition>> rows,
                                                     const std::function<bool(Condition)>& holds) {
  std::vector<ControlFlag> flags;
  flags.reserve(rows.size());
  for (const RuleRow<Condition>& row : rows) flags.push_back({row.id, holds(row.when)});
  return flags;
}

// A row of a report-style list to insert or to rewrite in place. `colour` is the row's
// text colour (0x00BBGGRR), kept as the item's parameter for custom drawing.
struct ListRow {
  enum class Change { kInsert, kRewrite };
  Change change = Change::kInsert;
  int index = 0;
  std::vector<std::string> cells;
  std::uint32_t colour = 0;

  bool operator==(const ListRow&) const = default;
};

}  // namespace tq
