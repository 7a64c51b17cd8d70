#pragma once

#include <QHash>
#include <QList>
#include <QRectF>

// The label rectangles already drawn during one paint, shared by every layer: a label that would
// overlap one of them is left out. Kept in a grid of cells so ten thousand labels stay cheap.
class LabelBoxes {
public:
    // True when `box` overlaps a box already taken.
    bool overlaps(const QRectF& box) const;
    // Takes `box` unless it overlaps; true when it was taken.
    bool tryTake(const QRectF& box);
    void take(const QRectF& box);
    void clear();
    int count() const { return static_cast<int>(m_boxes.size()); }

private:
    static constexpr double kCell = 64.0;
    template <typename F> void forCells(const QRectF& box, F&& f) const;

    QList<QRectF> m_boxes;
    QHash<quint64, QList<int>> m_cells;
};
