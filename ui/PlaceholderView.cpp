#include "ui/PlaceholderView.h"

#include <QVBoxLayout>

PlaceholderView::PlaceholderView(const QString& name, std::function<QString()> summary, QWidget* parent)
    : QWidget(parent), m_summary(std::move(summary)), m_label(new QLabel(this)) {
    setObjectName(name);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    connect(&m_timer, &QTimer::timeout, this, &PlaceholderView::refresh);
    refresh();
}

void PlaceholderView::showEvent(QShowEvent* event) {
    refresh();
    m_timer.start(5000);
    QWidget::showEvent(event);
}

void PlaceholderView::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QWidget::hideEvent(event);
}

void PlaceholderView::refresh() {
    m_label->setText(m_summary ? m_summary() : QString());
}
