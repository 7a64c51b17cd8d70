#pragma once

#include "controls/MapViewTab.h"

#include <QLabel>
#include <QWidget>

// A map view tab that keeps the map file and visible area it was given but draws no map yet.
class PlaceholderMapView : public QWidget, public MapViewTab {
    Q_OBJECT
public:
    explicit PlaceholderMapView(QWidget* parent = nullptr);

    QString mapFile() const override { return m_file; }
    bool loadMap(const QString& file) override;
    QByteArray visibleArea() const override { return m_area; }
    void setVisibleArea(const QByteArray& area) override;
    QString caption() const override;

private:
    void updateText();

    QString m_file;
    QByteArray m_area = QByteArray(16, '\0');
    QLabel* m_label;
};
