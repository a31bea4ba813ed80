// Tables that describe list-view columns and combo-box entries, shared by the windows
// and their portable logic.
#pragma once

#include <cstdint>
#include <span>

namespace tq {

struct ListColumn {
  const char* title = nullptr;
  int width_chars = 0;  // times the horizontal dialog base unit gives pixels
  // The widest text the column's cells can show, if known: the column is made at least
  // that wide, so that no cell is cut off where the base unit is small.
  const char* widest = nullptr;
};

struct ComboValue {
  std::uint32_t value;
  const char* text;
};

// The value of the entry at a combo box's selection; 0 when nothing is selected (a
// negative index) or the selection lies beyond the table.
[[nodiscard]] inline std::uint32_t combo_value_at(std::span<const ComboValue> table, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return 0;
  return table[static_cast<std::size_t>(index)].value;
}

// The index of the entry holding `value`; the first entry's when none does, so a code the
// table does not know still shows a valid choice.
[[nodiscard]] inline int combo_index_of(std::span<const ComboValue> table, std::uint32_t value) {
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].value == value) return static_cast<int>(i);
  }
  return 0;
}

}  // namespace tq
