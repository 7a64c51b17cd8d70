#pragma once

#include <utility>

class QComboBox;

// The symbol drop-down of the Station and GPS pages: both symbol tables in table order, primary
// first, without the "Undefined" entries. Each item carries its number: the index for the primary
// table, index + 94 for the alternate one.
namespace SymbolList {
void fill(QComboBox* list);
// Selects the stored pair (table 0 or 1, index 0..93); nothing when no item has that number.
void select(QComboBox* list, int table, int index);
// The selected (table, index), or the given default when nothing is selected.
std::pair<int, int> selected(const QComboBox* list, std::pair<int, int> fallback);
} // namespace SymbolList
