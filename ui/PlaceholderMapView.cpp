#include "ui/PlaceholderMapView.h"

#include <QFileInfo>
#include <QVBoxLayout>

PlaceholderMapView::PlaceholderMapView(QWidget* parent) : QWidget(parent), m_label(new QLabel(this)) {
    setObjectName(QStringLiteral("mapView"));
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    updateText();
}

bool PlaceholderMapView::loadMap(const QString& file) {
    m_file = file;
    updateText();
    if (captionChanged) captionChanged();
    return true;
}

void PlaceholderMapView::setVisibleArea(const QByteArray& area) {
    if (area.size() == 16) m_area = area;
}

QString PlaceholderMapView::caption() const {
    return m_file.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_file).completeBaseName();
}

void PlaceholderMapView::updateText() {
    m_label->setText(m_file.isEmpty() ? tr("No map loaded in this view.")
                                      : tr("Map: %1\n\nMaps are not drawn in this version.").arg(m_file));
}
