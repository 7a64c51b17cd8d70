#include "messaging/ui/MessageIcons.h"

#include "messaging/MessageRecord.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>

namespace {

QColor fillOf(int status) {
    switch (status) {
    case MessageStatus::ForMe:
        return QColor(0x1f, 0x6f, 0xd1);
    case MessageStatus::Bulletin:
        return QColor(0xd9, 0x8c, 0x00);
    case MessageStatus::Acknowledged:
        return QColor(0x2e, 0x9b, 0x3c);
    case MessageStatus::SentByMe:
        return QColor(0x6a, 0x4c, 0xc2);
    case MessageStatus::Stopped:
        return QColor(0xc6, 0x28, 0x28);
    default:
        return QColor(0x80, 0x80, 0x80);
    }
}

QPixmap pixmapOf(int status, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintMessageStatus(painter, QRectF(0, 0, size, size), status);
    return pixmap;
}

} // namespace

void paintMessageStatus(QPainter& painter, const QRectF& box, int status) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = std::min(box.width(), box.height());
    const QRectF disc(box.center().x() - s / 2 + s * 0.05, box.center().y() - s / 2 + s * 0.05, s * 0.9,
                      s * 0.9);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fillOf(status));
    painter.drawEllipse(disc);

    // The mark in white: its strokes scale with the picture.
    QPen pen(Qt::white, std::max<qreal>(1.0, s * 0.12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const auto at = [&](qreal x, qreal y) {
        return QPointF(disc.left() + x * disc.width(), disc.top() + y * disc.height());
    };
    QPainterPath mark;
    switch (status) {
    case MessageStatus::ForMe: // an arrow coming in
        mark.moveTo(at(0.5, 0.25));
        mark.lineTo(at(0.5, 0.72));
        mark.moveTo(at(0.3, 0.52));
        mark.lineTo(at(0.5, 0.72));
        mark.lineTo(at(0.7, 0.52));
        break;
    case MessageStatus::SentByMe: // an arrow going out
        mark.moveTo(at(0.5, 0.75));
        mark.lineTo(at(0.5, 0.28));
        mark.moveTo(at(0.3, 0.48));
        mark.lineTo(at(0.5, 0.28));
        mark.lineTo(at(0.7, 0.48));
        break;
    case MessageStatus::Acknowledged: // a tick
        mark.moveTo(at(0.28, 0.52));
        mark.lineTo(at(0.44, 0.68));
        mark.lineTo(at(0.73, 0.34));
        break;
    case MessageStatus::Stopped: // a bar across
        mark.moveTo(at(0.28, 0.5));
        mark.lineTo(at(0.72, 0.5));
        break;
    case MessageStatus::Bulletin: // an exclamation mark
        mark.moveTo(at(0.5, 0.24));
        mark.lineTo(at(0.5, 0.56));
        mark.moveTo(at(0.5, 0.74));
        mark.lineTo(at(0.5, 0.75));
        break;
    default: // a dot
        mark.addEllipse(QRectF(at(0.4, 0.4), at(0.6, 0.6)));
        break;
    }
    painter.drawPath(mark);
    painter.restore();
}

QIcon messageStatusIcon(int status) {
    static const std::array<QIcon, 7> icons = [] {
        std::array<QIcon, 7> made;
        for (int i = 0; i < 7; ++i) {
            made[static_cast<size_t>(i)].addPixmap(pixmapOf(i, 16));
            made[static_cast<size_t>(i)].addPixmap(pixmapOf(i, 32));
        }
        return made;
    }();
    return icons[static_cast<size_t>(status >= 0 && status < 7 ? status : MessageStatus::Other)];
}
