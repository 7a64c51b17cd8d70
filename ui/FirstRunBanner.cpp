#include "ui/FirstRunBanner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

FirstRunBanner::FirstRunBanner(QWidget* parent)
    : QFrame(parent), m_text(new QLabel(this)), m_setup(new QPushButton(tr("Setup..."), this)) {
    setObjectName(QStringLiteral("firstRunBanner"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    // A tint of the highlight colour reads as a notice on light and dark themes alike.
    QPalette pal = palette();
    QColor tint = pal.color(QPalette::Highlight);
    tint.setAlpha(60);
    const QColor base = pal.color(QPalette::Window);
    const auto mix = [&](int a, int b) { return (a * (255 - tint.alpha()) + b * tint.alpha()) / 255; };
    pal.setColor(QPalette::Window, QColor(mix(base.red(), tint.red()), mix(base.green(), tint.green()),
                                          mix(base.blue(), tint.blue())));
    setPalette(pal);

    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(size, size));
    m_text->setText(tr("No call sign is set. The station receives, but transmits nothing (no position, "
                       "beacon, acknowledgement or message) until you enter your call sign."));
    m_text->setWordWrap(true);
    m_setup->setObjectName(QStringLiteral("firstRunSetup"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->addWidget(icon);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_setup);
    connect(m_setup, &QPushButton::clicked, this, &FirstRunBanner::setupRequested);
}
