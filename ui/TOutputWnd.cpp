#include "ui/TOutputWnd.h"

#include "controls/CommandIds.h"
#include "platform/gui/WinColor.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStaticText>
#include <algorithm>
#include <cmath>

struct TOutputWnd::Layout {
    struct Run {
        QStaticText text;
        qreal x = 0;
        qreal width = 0;
        int fg = kDefaultColour;
        int bg = -1; // none
    };
    std::vector<Run> runs;
};

namespace {

constexpr std::array<std::uint32_t, TOutputWnd::kPaletteSize> kStandardPalette = {
    0xFFFFFF, 0x000000, 0x800000, 0x008000, 0x0000FF, 0x000080, 0x800080, 0x008080,
    0x00FFFF, 0x00FF00, 0x808000, 0xFFFF00, 0xFF0000, 0xFF00FF, 0x808080, 0xC0C0C0,
};

bool isDigit(const QString& s, qsizetype i) {
    return i < s.size() && s.at(i) >= QLatin1Char('0') && s.at(i) <= QLatin1Char('9');
}
int twoDigits(const QString& s, qsizetype i) {
    return (s.at(i).unicode() - '0') * 10 + (s.at(i + 1).unicode() - '0');
}

// The colour code at s[i] (character 3): its length, and the colours it selects. A code without
// two digits resets to the default colour; numbers beyond the table mean the default colour.
qsizetype parseCode(const QString& s, qsizetype i, int& fg, int& bg) {
    fg = TOutputWnd::kDefaultColour;
    bg = -1;
    if (!isDigit(s, i + 1) || !isDigit(s, i + 2)) return 1;
    const int f = twoDigits(s, i + 1);
    if (f < TOutputWnd::kPaletteSize) fg = f;
    if (i + 3 < s.size() && s.at(i + 3) == QLatin1Char(',') && isDigit(s, i + 4) && isDigit(s, i + 5)) {
        const int b = twoDigits(s, i + 4);
        if (b < TOutputWnd::kPaletteSize) bg = b;
        return 6;
    }
    return 3;
}

double luminance(const QColor& c) {
    auto linear = [](int v) {
        const double x = v / 255.0;
        return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `colour`, or the nearest colour of its hue that stands out from `background` by 3:1.
QColor readable(const QColor& colour, const QColor& background) {
    constexpr double kMinContrast = 3.0;
    if (contrast(colour, background) >= kMinContrast) return colour;
    const bool darkBackground = luminance(background) < 0.18;
    float h = 0, s = 0, l = 0, a = 0;
    colour.toHsl().getHslF(&h, &s, &l, &a);
    for (int step = 1; step <= 10; ++step) {
        const float t = static_cast<float>(step) / 10.0f;
        const float lightness = darkBackground ? l + (1.0f - l) * t : l * (1.0f - t);
        const QColor c = QColor::fromHslF(h, s, lightness);
        if (contrast(c, background) >= kMinContrast) return c.toRgb();
    }
    return darkBackground ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace

TOutputWnd::TOutputWnd(QWidget* parent) : QAbstractScrollArea(parent), m_ring(kMaxLines) {
    for (int i = 0; i < kPaletteSize; ++i) m_palette[static_cast<size_t>(i)] = standardColour(i);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->installEventFilter(this);
    horizontalScrollBar()->installEventFilter(this);
    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, &TOutputWnd::flush);
    fontChanged();
}

TOutputWnd::~TOutputWnd() = default;

void TOutputWnd::addLine(const QString& text) {
    const bool follow = !m_paused && (m_current < 0 || m_current >= m_count - 1);
    bool dropped = false;
    if (m_count == kMaxLines) {
        if (slot(0).width >= m_maxWidth) m_maxWidthDirty = true;
        m_head = (m_head + 1) % kMaxLines;
        --m_count;
        ++m_firstSerial;
        // The view stays on the same line; the oldest line, when it is the current one, gives
        // way to the next.
        if (m_current > 0) --m_current;
        dropped = true;
    }
    Line& line = slot(m_count);
    ++m_count;
    line.text = text;
    line.width = textWidth(text);
    line.layout.reset();
    if (!m_maxWidthDirty) m_maxWidth = std::max(m_maxWidth, line.width);
    if (follow) m_current = m_count - 1;
    if (follow || (dropped && m_current < visibleRows())) m_viewDirty = true;
    if (dropped && m_anchor >= 0 && std::max(m_anchor, m_cursor) < m_firstSerial) {
        m_anchor = m_cursor = -1;
        emit selectionChanged();
    }
    scheduleFlush();
}

QString TOutputWnd::line(int index) const {
    if (index < 0 || index >= m_count) return {};
    return slot(index).text;
}

QString TOutputWnd::plainText(const QString& line) {
    if (!line.contains(QChar(kColourCode))) return line;
    QString plain;
    plain.reserve(line.size());
    for (qsizetype i = 0; i < line.size();) {
        if (line.at(i) == QChar(kColourCode)) {
            int fg = 0, bg = 0;
            i += parseCode(line, i, fg, bg);
        } else {
            plain.append(line.at(i++));
        }
    }
    return plain;
}

void TOutputWnd::setCurrentLine(int index) {
    if (m_count == 0) return;
    m_current = std::clamp(index, minCurrent(), m_count - 1);
    flush();
    viewport()->update();
}

void TOutputWnd::scrollToFirst() {
    setCurrentLine(0);
}

void TOutputWnd::scrollToLast() {
    setCurrentLine(m_count - 1);
}

void TOutputWnd::setHorizontalOffset(int pixels) {
    m_hOffset = std::max(0, pixels);
    flush(); // clamps to the range
    viewport()->update();
}

int TOutputWnd::longestLineWidth() const {
    if (!m_maxWidthDirty) return static_cast<int>(std::ceil(m_maxWidth));
    qreal widest = 0;
    for (int i = 0; i < m_count; ++i) widest = std::max(widest, slot(i).width);
    return static_cast<int>(std::ceil(widest));
}

QColor TOutputWnd::standardColour(int index) {
    if (index < 0 || index >= kPaletteSize) index = kDefaultColour;
    return WinColor::toQColor(kStandardPalette[static_cast<size_t>(index)]);
}

void TOutputWnd::setPaletteColour(int index, const QColor& colour) {
    if (index < 0 || index >= kPaletteSize || !colour.isValid()) return;
    m_palette[static_cast<size_t>(index)] = colour;
    if (index == kDefaultColour) m_defaultColourSet = true;
    viewport()->update();
}

QColor TOutputWnd::paletteColour(int index) const {
    if (index < 0 || index >= kPaletteSize) index = kDefaultColour;
    if (index == kDefaultColour && !m_defaultColourSet) return palette().color(QPalette::Text);
    return m_palette[static_cast<size_t>(index)];
}

void TOutputWnd::setLogFont(const LogFont& font) {
    m_logFont = font;
    setFont(font.toQFont()); // the FontChange event measures it
}

void TOutputWnd::setPaused(bool paused) {
    if (paused == m_paused) return;
    m_paused = paused;
    if (!paused && m_count > 0) m_current = m_count - 1;
    m_viewDirty = true;
    flush();
    emit pausedChanged(paused);
}

bool TOutputWnd::hasSelection() const {
    return selectedRange().has_value();
}

void TOutputWnd::selectLines(int first, int last) {
    if (m_count == 0) return;
    first = std::clamp(first, 0, m_count - 1);
    last = std::clamp(last, 0, m_count - 1);
    setSelectionSerials(m_firstSerial + first, m_firstSerial + last);
}

void TOutputWnd::clearSelection() {
    setSelectionSerials(-1, -1);
}

std::optional<std::pair<int, int>> TOutputWnd::selectedRange() const {
    if (m_anchor < 0 || m_count == 0) return std::nullopt;
    const qint64 first = std::min(m_anchor, m_cursor) - m_firstSerial;
    const qint64 last = std::max(m_anchor, m_cursor) - m_firstSerial;
    if (last < 0) return std::nullopt;
    return std::pair<int, int>(static_cast<int>(std::max<qint64>(first, 0)),
                               static_cast<int>(std::min<qint64>(last, m_count - 1)));
}

QString TOutputWnd::selectedText() const {
    const auto range = selectedRange();
    if (!range) return {};
    QStringList lines;
    for (int i = range->first; i <= range->second; ++i) lines.append(plainText(slot(i).text));
    return lines.join(QLatin1Char('\n'));
}

void TOutputWnd::copySelection() const {
    if (!hasSelection()) return;
    QApplication::clipboard()->setText(selectedText());
}

void TOutputWnd::paintLines(QPainter& painter, const QRect& area) const {
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    const QPalette& pal = palette();
    const QColor base = pal.color(QPalette::Base);
    painter.fillRect(area, base);
    if (m_current < 0) {
        painter.restore();
        return;
    }
    std::array<QColor, kPaletteSize> colours;
    for (int i = 0; i < kPaletteSize; ++i) colours[static_cast<size_t>(i)] = readable(paletteColour(i), base);
    const QColor highlight = pal.color(QPalette::Highlight);
    const QColor highlightedText = pal.color(QPalette::HighlightedText);
    const auto selection = selectedRange();
    painter.setFont(font());

    const qreal x0 = area.left() + kMargin - m_hOffset;
    const qreal left = area.left();
    const qreal right = area.left() + area.width();
    int y = area.top() + area.height() - m_lineHeight;
    for (int i = std::min(m_current, m_count - 1); i >= 0 && y + m_lineHeight > area.top();
         --i, y -= m_lineHeight) {
        const Layout& layout = layoutOf(slot(i));
        const bool selected = selection && i >= selection->first && i <= selection->second;
        if (selected) painter.fillRect(QRect(area.left(), y, area.width(), m_lineHeight), highlight);
        for (const auto& run : layout.runs) {
            const qreal x = x0 + run.x;
            // Widths are summed per character; the slack covers kerning.
            if (x >= right || x + run.width + m_charWidth < left) continue;
            QColor pen = colours[static_cast<size_t>(run.fg)];
            if (selected) {
                pen = highlightedText;
            } else if (run.bg >= 0) {
                const QColor back = paletteColour(run.bg); // as set: only text is adjusted
                painter.fillRect(QRectF(x, y, run.width, m_lineHeight), back);
                pen = readable(paletteColour(run.fg), back);
            }
            painter.setPen(pen);
            painter.drawStaticText(QPointF(x, y), run.text);
        }
    }
    painter.restore();
}

void TOutputWnd::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    paintLines(painter, viewport()->rect());
}

void TOutputWnd::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_syncing) {
        scheduleFlush();
        return;
    }
    syncScrollBars();
}

void TOutputWnd::scrollContentsBy(int, int) {
    if (m_syncing) return;
    m_current = m_count == 0 ? -1 : std::clamp(verticalScrollBar()->value(), 0, m_count - 1);
    m_hOffset = horizontalScrollBar()->value();
    viewport()->update();
}

void TOutputWnd::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fontChanged();
    else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        viewport()->update();
}

void TOutputWnd::keyPressEvent(QKeyEvent* event) {
    flush();
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        event->accept();
        return;
    }
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Home:
        ctrl ? scrollToFirst() : setHorizontalOffset(0);
        break;
    case Qt::Key_End:
        ctrl ? scrollToLast() : setHorizontalOffset(horizontalScrollBar()->maximum());
        break;
    case Qt::Key_Escape:
        if (!hasSelection()) return QAbstractScrollArea::keyPressEvent(event);
        clearSelection();
        break;
    default:
        return QAbstractScrollArea::keyPressEvent(event);
    }
    event->accept();
}

void TOutputWnd::mousePressEvent(QMouseEvent* event) {
    flush();
    const int index = lineAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        if (index < 0) {
            clearSelection();
        } else if ((event->modifiers() & Qt::ShiftModifier) && m_anchor >= 0) {
            setSelectionSerials(m_anchor, m_firstSerial + index);
        } else {
            setSelectionSerials(m_firstSerial + index, m_firstSerial + index);
        }
    } else if (event->button() == Qt::RightButton && index >= 0) {
        const auto range = selectedRange();
        if (!range || index < range->first || index > range->second)
            setSelectionSerials(m_firstSerial + index, m_firstSerial + index);
    }
    event->accept();
}

void TOutputWnd::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || m_anchor < 0 || m_count == 0) return;
    const int index = std::clamp(lineAt(event->position().toPoint()), 0, m_count - 1);
    setSelectionSerials(m_anchor, m_firstSerial + index);
}

void TOutputWnd::wheelEvent(QWheelEvent* event) {
    flush();
    QAbstractScrollArea::wheelEvent(event);
}

void TOutputWnd::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("monitorContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copy = menu->addAction(Command::text(Command::Copy), this, &TOutputWnd::copySelection);
    copy->setShortcut(Command::shortcut(Command::Copy));
    copy->setEnabled(hasSelection());
    menu->popup(event->globalPos());
    event->accept();
}

bool TOutputWnd::eventFilter(QObject* watched, QEvent* event) {
    // Before the user moves a scroll bar, bring it up to date with lines added since the last flush.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel ||
        event->type() == QEvent::KeyPress)
        flush();
    return QAbstractScrollArea::eventFilter(watched, event);
}

qreal TOutputWnd::advance(const QString& text, qsizetype& i) const {
    const char16_t unit = text.at(i).unicode();
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        i += 2;
        return m_metrics->horizontalAdvance(text.mid(i - 2, 2));
    }
    ++i;
    float& cached = m_advances[unit];
    if (cached < 0) cached = static_cast<float>(m_metrics->horizontalAdvance(QChar(unit)));
    return cached;
}

qreal TOutputWnd::textWidth(const QString& text) const {
    qreal width = 0;
    for (qsizetype i = 0; i < text.size();) {
        if (text.at(i) == QChar(kColourCode)) {
            int fg = 0, bg = 0;
            i += parseCode(text, i, fg, bg);
        } else {
            width += advance(text, i);
        }
    }
    return width;
}

const TOutputWnd::Layout& TOutputWnd::layoutOf(const Line& line) const {
    if (line.layout) return *line.layout;
    auto layout = std::make_unique<Layout>();
    const QString& s = line.text;
    int fg = kDefaultColour, bg = -1;
    qreal x = 0;
    QString run;
    auto endRun = [&] {
        if (run.isEmpty()) return;
        Layout::Run r;
        r.text.setTextFormat(Qt::PlainText);
        r.text.setText(run);
        r.text.prepare(QTransform(), font());
        r.x = x;
        for (qsizetype i = 0; i < run.size();) r.width += advance(run, i);
        r.fg = fg;
        r.bg = bg;
        x += r.width;
        layout->runs.push_back(std::move(r));
        run.clear();
    };
    for (qsizetype i = 0; i < s.size();) {
        if (s.at(i) == QChar(kColourCode)) {
            endRun();
            i += parseCode(s, i, fg, bg);
        } else {
            run.append(s.at(i++));
        }
    }
    endRun();
    line.layout = std::move(layout);
    return *line.layout;
}

void TOutputWnd::fontChanged() {
    m_metrics.emplace(font());
    m_lineHeight = std::max(1, static_cast<int>(std::ceil(m_metrics->lineSpacing())));
    m_charWidth = std::max(1, static_cast<int>(std::lround(m_metrics->averageCharWidth())));
    m_advances.assign(0x10000, -1.0f);
    m_maxWidth = 0;
    m_maxWidthDirty = false;
    for (int i = 0; i < m_count; ++i) {
        Line& line = slot(i);
        line.width = textWidth(line.text);
        line.layout.reset();
        m_maxWidth = std::max(m_maxWidth, line.width);
    }
    m_viewDirty = true;
    flush();
}

int TOutputWnd::visibleRows() const {
    return std::max(1, viewport()->height() / m_lineHeight);
}

int TOutputWnd::minCurrent() const {
    // Scrolled to the top, the first line is at the top of a full window, not alone at its bottom.
    return m_count == 0 ? 0 : std::min(m_count - 1, visibleRows() - 1);
}

void TOutputWnd::scheduleFlush() {
    if (m_flushTimer.isActive()) return;
    const qint64 since = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : kRepaintIntervalMs;
    m_flushTimer.start(static_cast<int>(std::max<qint64>(0, kRepaintIntervalMs - since)));
}

void TOutputWnd::flush() {
    m_flushTimer.stop();
    if (m_maxWidthDirty) {
        m_maxWidth = longestLineWidth();
        m_maxWidthDirty = false;
    }
    syncScrollBars();
    if (m_viewDirty) viewport()->update();
    m_viewDirty = false;
    m_sinceFlush.start();
}

void TOutputWnd::syncScrollBars() {
    m_syncing = true;
    if (m_count > 0) m_current = std::clamp(m_current, minCurrent(), m_count - 1);
    QScrollBar* v = verticalScrollBar();
    v->setRange(minCurrent(), std::max(0, m_count - 1));
    v->setPageStep(visibleRows());
    v->setSingleStep(1);
    v->setValue(std::max(0, m_current));

    const int hMax = std::max(0, longestLineWidth() + 2 * kMargin - viewport()->width());
    const int hOffset = std::clamp(m_hOffset, 0, hMax); // 0 when everything fits
    if (hOffset != m_hOffset) viewport()->update();
    m_hOffset = hOffset;
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, hMax);
    h->setPageStep(std::max(1, viewport()->width()));
    h->setSingleStep(m_charWidth);
    h->setValue(m_hOffset);
    m_syncing = false;
}

int TOutputWnd::lineAt(const QPoint& pos) const {
    if (m_current < 0) return -1;
    const int fromBottom = viewport()->height() - 1 - pos.y();
    if (fromBottom < 0) return m_current;
    const int index = m_current - fromBottom / m_lineHeight;
    return index < 0 ? -1 : index;
}

void TOutputWnd::setSelectionSerials(qint64 anchor, qint64 cursor) {
    if (anchor == m_anchor && cursor == m_cursor) return;
    m_anchor = anchor;
    m_cursor = cursor;
    viewport()->update();
    emit selectionChanged();
}
