// The dBASE table reader on arbitrary bytes: whatever it accepts keeps every field inside the
// record and every text read inside the file.
#include "maps/DbfTable.h"

#include <cstdint>
#include <cstdlib>

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const auto table = DbfTable::read(bytes, &error);
    check(table || !error.isEmpty());
    if (!table) return 0;
    check(table->recordCount() >= 0);
    int end = 1;
    for (int f = 0; f < table->fieldCount(); ++f) {
        check(table->field(f).offset == end && table->field(f).length >= 0);
        end += table->field(f).length;
    }
    // Every field of the first and last few records; texts past the end are empty.
    const int n = table->recordCount();
    for (int r : {0, 1, n / 2, n - 2, n - 1, n, n + 1})
        for (int f = -1; f <= table->fieldCount(); ++f) {
            const QString text = table->text(r, f);
            if (r < 0 || r >= n || f < 0 || f >= table->fieldCount()) check(text.isEmpty());
        }
    return 0;
}
