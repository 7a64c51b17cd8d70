#include "maps/LabelBoxes.h"

#include <algorithm>
#include <cmath>

template <typename F> void LabelBoxes::forCells(const QRectF& box, F&& f) const {
    const auto cell = [](double v) {
        return static_cast<qint64>(std::floor(std::clamp(v, -1e9, 1e9) / kCell));
    };
    const qint64 x0 = cell(box.left());
    const qint64 x1 = cell(box.right());
    const qint64 y0 = cell(box.top());
    const qint64 y1 = cell(box.bottom());
    // A box spanning absurdly many cells (a label far larger than any window) uses one cell row
    // per 64 pixels all the same; cap it so a hostile size cannot cost unbounded time.
    if ((x1 - x0) * (y1 - y0) > 4096) {
        f((static_cast<quint64>(0x7fffffff) << 32) | 0x7fffffffu);
        return;
    }
    for (qint64 y = y0; y <= y1; ++y)
        for (qint64 x = x0; x <= x1; ++x)
            f((static_cast<quint64>(static_cast<quint32>(y)) << 32) | static_cast<quint32>(x));
}

bool LabelBoxes::overlaps(const QRectF& box) const {
    bool found = false;
    forCells(box, [&](quint64 key) {
        if (found) return;
        const auto it = m_cells.constFind(key);
        if (it == m_cells.constEnd()) return;
        for (int i : *it) {
            if (m_boxes[i].intersects(box)) {
                found = true;
                return;
            }
        }
    });
    if (!found) {
        // Oversized boxes live in the shared cell; compare them with everything.
        const auto big = m_cells.constFind((static_cast<quint64>(0x7fffffff) << 32) | 0x7fffffffu);
        if (big != m_cells.constEnd())
            for (int i : *big)
                if (m_boxes[i].intersects(box)) return true;
    }
    return found;
}

void LabelBoxes::take(const QRectF& box) {
    const int index = static_cast<int>(m_boxes.size());
    m_boxes.append(box);
    forCells(box, [&](quint64 key) { m_cells[key].append(index); });
}

bool LabelBoxes::tryTake(const QRectF& box) {
    if (overlaps(box)) return false;
    take(box);
    return true;
}

void LabelBoxes::clear() {
    m_boxes.clear();
    m_cells.clear();
}
