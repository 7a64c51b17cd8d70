// Filter texts as typed or stored: splitting never fails, a rebuilt text splits into the same
// terms, and the estimate and extent checks take whatever numbers the terms hold.
#include "aprsis/FilterText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const FilterTerms terms = FilterText::split(text);
    const QString built = FilterText::build(terms);
    if (!built.startsWith(QLatin1String("Filter"))) std::abort();
    if (FilterText::build(FilterText::split(built)) != built) std::abort();
    if (built.contains(QLatin1String("  "))) std::abort();

    static const std::vector<FilterText::Position> positions{{0, 0}, {45, 9}, {-90, 180}, {89.9, -179.9}};
    const int inside = FilterText::countInside(terms, positions);
    if (inside < 0 || inside > static_cast<int>(positions.size())) std::abort();
    FilterText::coversVeryLargeArea(terms);
    for (const QString& entry : terms.ranges) {
        const QStringList f = FilterText::entryFields(entry, 3);
        FilterText::rangeFromFields(f[0], f[1], f[2]);
    }
    for (const QString& entry : terms.areas) {
        const QStringList f = FilterText::entryFields(entry, 4);
        FilterText::areaFromFields(f[0], f[1], f[2], f[3]);
    }
    return 0;
}
