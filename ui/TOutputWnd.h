#pragma once

#include "platform/gui/LogFont.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QTimer>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

// The monitor's line buffer: the newest kMaxLines lines, drawn from the current line upwards,
// the current line at the bottom. Long lines are cut at the right edge and reached with the
// horizontal scroll bar.
//
// A line may carry colour codes: character 3, a two-digit foreground colour number, optionally a
// comma and a two-digit background number; the text after it is drawn in that palette entry.
// A number of 16 or more means the default colour (and no background). Every line starts in the
// default colour, index 1.
//
// Dark themes: the background is the palette's base colour, and palette entry 1 follows the
// palette's text colour until it is set explicitly, so default text is readable on any theme.
// Any colour that would stand out from its background by less than 3:1 (the fixed table's
// blue and navy on a dark base, yellow on a light one) is drawn lighter or darker in the same
// hue until it does.
//
// While the current line is the newest, new lines move the view; otherwise (the user reads
// older lines, or the window is paused) the view stays on the same lines. Appends are O(1) and
// repaints are coalesced to at most one per kRepaintIntervalMs.
class TOutputWnd : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 500;
    static constexpr int kPaletteSize = 16;
    static constexpr int kDefaultColour = 1;
    static constexpr char16_t kColourCode = 3;
    static constexpr int kRepaintIntervalMs = 40;
    static constexpr int kMargin = 4;

    explicit TOutputWnd(QWidget* parent = nullptr);
    ~TOutputWnd() override;

    void addLine(const QString& line);
    int lineCount() const { return m_count; }
    // Line `index` (0 the oldest) as added, colour codes included.
    QString line(int index) const;
    // The text without its colour codes.
    static QString plainText(const QString& line);

    // The line drawn at the bottom; -1 when there is none.
    int currentLine() const { return m_current; }
    void setCurrentLine(int index);
    void scrollToFirst();
    void scrollToLast();
    int horizontalOffset() const { return m_hOffset; }
    void setHorizontalOffset(int pixels);
    // The width of the longest line in pixels, colour codes not counted.
    int longestLineWidth() const;

    // The fixed table's colour of entry `index`.
    static QColor standardColour(int index);
    void setPaletteColour(int index, const QColor& colour);
    // Entry `index` as set (entry 1 the palette's text colour until set), before any contrast
    // adjustment; the default colour for an index outside the table.
    QColor paletteColour(int index) const;

    // The stored font record; none while the system font is used.
    void setLogFont(const LogFont& font);
    const std::optional<LogFont>& logFont() const { return m_logFont; }
    int lineHeight() const { return m_lineHeight; }
    int charWidth() const { return m_charWidth; }

    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }

    bool hasSelection() const;
    // Selects lines first..last (either order), clamped to the buffer.
    void selectLines(int first, int last);
    void clearSelection();
    // First and last selected line; none without a selection.
    std::optional<std::pair<int, int>> selectedRange() const;
    // The selected lines without colour codes, one per line.
    QString selectedText() const;
    void copySelection() const;

    // Paints the window's state into `area` of any painter, as paintEvent does.
    void paintLines(QPainter& painter, const QRect& area) const;

signals:
    void selectionChanged();
    void pausedChanged(bool paused);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Layout;
    struct Line {
        QString text;
        qreal width = 0;
        mutable std::unique_ptr<Layout> layout; // made when first drawn
    };

    Line& slot(int index) { return m_ring[static_cast<size_t>((m_head + index) % kMaxLines)]; }
    const Line& slot(int index) const { return m_ring[static_cast<size_t>((m_head + index) % kMaxLines)]; }
    qreal textWidth(const QString& text) const;
    qreal advance(const QString& text, qsizetype& i) const;
    const Layout& layoutOf(const Line& line) const;
    void fontChanged();
    int visibleRows() const;
    int minCurrent() const;
    void scheduleFlush();
    void flush();
    void syncScrollBars();
    int lineAt(const QPoint& pos) const;
    void setSelectionSerials(qint64 anchor, qint64 cursor);

    std::vector<Line> m_ring;
    int m_head = 0;
    int m_count = 0;
    qint64 m_firstSerial = 0; // serial number of line 0; selections are kept by serial
    int m_current = -1;
    int m_hOffset = 0;
    bool m_paused = false;

    std::array<QColor, kPaletteSize> m_palette;
    bool m_defaultColourSet = false;

    std::optional<LogFont> m_logFont;
    int m_lineHeight = 1;
    int m_charWidth = 1;
    std::optional<QFontMetricsF> m_metrics;
    mutable std::vector<float> m_advances; // per UTF-16 unit, measured on first use; < 0 unknown
    qreal m_maxWidth = 0;
    bool m_maxWidthDirty = false;

    qint64 m_anchor = -1;
    qint64 m_cursor = -1;

    QTimer m_flushTimer;
    QElapsedTimer m_sinceFlush;
    bool m_viewDirty = false;
    bool m_syncing = false;
};
