#include "ui/SymbolList.h"

#include "aprs/SymbolTable.h"

#include <QComboBox>

namespace SymbolList {

void fill(QComboBox* list) {
    list->clear();
    for (int table = 0; table < 2; ++table) {
        const int tableChar = table == 0 ? '/' : '\\';
        for (int index = 0; index < SymbolTable::kEntries; ++index) {
            const SymbolInfo& info = symbolInfo(tableChar, SymbolTable::kFirstCode + index);
            const QString name = QString::fromUtf8(info.name);
            if (name == QLatin1String("Undefined")) continue;
            const QChar code(SymbolTable::kFirstCode + index);
            list->addItem(QStringLiteral("%1  (%2%3)").arg(name, QChar(tableChar), code),
                          index + SymbolTable::kEntries * table);
        }
    }
}

void select(QComboBox* list, int table, int index) {
    list->setCurrentIndex(list->findData(index + SymbolTable::kEntries * (table != 0 ? 1 : 0)));
}

std::pair<int, int> selected(const QComboBox* list, std::pair<int, int> fallback) {
    if (list->currentIndex() < 0) return fallback;
    const int n = list->currentData().toInt();
    return n >= SymbolTable::kEntries ? std::pair{1, n - SymbolTable::kEntries} : std::pair{0, n};
}

} // namespace SymbolList
