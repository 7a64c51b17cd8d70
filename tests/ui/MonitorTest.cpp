#include "controls/CommandIds.h"
#include "platform/Settings.h"
#include "platform/gui/LogFont.h"
#include "support/TempHome.h"
#include "support/Wait.h"
#include "ui/MonitorView.h"
#include "ui/TOutputWnd.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWindow>
#include <gtest/gtest.h>
#include <map>

namespace {

// Input as the window system delivers it (press and release).
void click(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) {
    const QPointF global = w->mapToGlobal(QPointF(pos));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), global, button, button, mods);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), global, button, Qt::NoButton, mods);
    QApplication::sendEvent(w, &release);
}
void key(QWidget* w, int k, Qt::KeyboardModifiers mods = {}) {
    QKeyEvent press(QEvent::KeyPress, k, mods);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, mods);
    QApplication::sendEvent(w, &release);
}
bool shown(QWidget& w) {
    w.show();
    return waitUntil([&] { return w.windowHandle() && w.windowHandle()->isExposed(); });
}

const QColor kBase(255, 255, 255);
const QColor kText(0, 0, 0);

QString header(const QString& from, const QString& to, const QString& via = QStringLiteral("WIDE1-1*")) {
    return QStringLiteral("GT:Fm %1 To %2 Via %3 <UI pid=F0 Len=40 >[12:00:05]").arg(from, to, via);
}
ReceivedFrame frame(const QString& text, bool own = false) {
    ReceivedFrame f;
    f.text = text;
    f.length = static_cast<int>(text.size());
    f.ownTransmission = own ? 1 : 0;
    return f;
}
ReceivedFrame aprs(const QString& from, const QString& info = QStringLiteral("!4903.50N/07201.75W-Test")) {
    return frame(header(from, QStringLiteral("APRS")) + "\r" + info + "\r");
}

QPalette palette(const QColor& base, const QColor& text) {
    QPalette p;
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Highlight, QColor(0, 0, 160));
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    return p;
}

// A monitor on screen with a known palette, the own calls set and a 16-pixel font drawn without
// antialiasing, so every text pixel is exactly its line's colour.
struct Monitor {
    TempHome t;
    MonitorView view{t.settings};
    TOutputWnd& out = *view.output();
    int commandsChanged = 0;

    explicit Monitor(QSize size = QSize(640, 320)) {
        view.setPalette(palette(kBase, kText));
        view.setOwnCalls(QStringLiteral("N0ME"), QStringLiteral("N0ME-9"));
        QFont f(QStringLiteral("DejaVu Sans Mono"));
        f.setPixelSize(16);
        f.setStyleStrategy(QFont::NoAntialias);
        out.setLogFont(LogFont::fromQFont(f));
        view.commandsChanged = [this] { ++commandsChanged; };
        view.resize(size);
        EXPECT_TRUE(shown(view));
    }

    QImage render() const {
        QImage image(out.viewport()->size(), QImage::Format_RGB32);
        image.setDevicePixelRatio(1);
        QPainter p(&image);
        out.paintLines(p, image.rect());
        return image;
    }
    // The band of line `index`: the current line at the bottom, older lines above it.
    QRect band(int index) const {
        const int h = out.viewport()->height(), lh = out.lineHeight();
        return QRect(0, h - (out.currentLine() - index + 1) * lh, out.viewport()->width(), lh);
    }
    QPoint centreOf(int index) const { return band(index).center(); }
};

// The most common colour in `rect` other than `background`; invalid when there is none.
QColor inkOf(const QImage& image, const QRect& rect, const QColor& background = kBase) {
    std::map<QRgb, int> counts;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000;
            if (c != background.rgb()) ++counts[c];
        }
    if (counts.empty()) return {};
    auto best = counts.begin();
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it->second > best->second) best = it;
    return QColor::fromRgb(best->first);
}

double luminance(const QColor& c) {
    auto lin = [](int v) {
        const double x = v / 255.0;
        return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.red()) + 0.7152 * lin(c.green()) + 0.0722 * lin(c.blue());
}
double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

const QColor kTxMagenta(255, 0, 255); // MONITORTXCOLOR 0xFF00FF
const QColor kMineTeal(0, 128, 128);  // MONITORMYCOLOR 0x808000
const QColor kHeaderBlue(0, 0, 255);  // MONITORHEADCOLOR 0xFF0000

} // namespace

TEST(OutputWindow, KeepsTheNewest500LinesAndTheViewOnItsLine) {
    TOutputWnd out;
    out.resize(400, 200);
    EXPECT_EQ(out.currentLine(), -1);
    for (int i = 0; i <= 500; ++i) out.addLine(QStringLiteral("line %1").arg(i));
    EXPECT_EQ(out.lineCount(), TOutputWnd::kMaxLines);
    EXPECT_EQ(out.line(0), "line 1");
    EXPECT_EQ(out.line(499), "line 500");
    EXPECT_EQ(out.currentLine(), 499);

    // Scrolled back, the lines falling off the top move the index, not the view.
    out.setCurrentLine(200);
    for (int i = 501; i < 531; ++i) out.addLine(QStringLiteral("line %1").arg(i));
    EXPECT_EQ(out.currentLine(), 170);
    EXPECT_EQ(out.line(out.currentLine()), "line 201");
    EXPECT_EQ(out.line(499), "line 530");
}

TEST(OutputWindow, TheOldestLineAsCurrentGivesWayWithoutLeavingTheBuffer) {
    // A window one line high, where the oldest line can be the current one.
    TOutputWnd out;
    for (int i = 0; i < 500; ++i) out.addLine(QStringLiteral("line %1").arg(i));
    out.resize(400, out.lineHeight() * 3 / 2 + 2 * out.frameWidth());
    ASSERT_TRUE(shown(out));
    out.setCurrentLine(0);
    ASSERT_EQ(out.currentLine(), 0);
    out.addLine(QStringLiteral("line 500"));
    out.addLine(QStringLiteral("line 501"));
    EXPECT_EQ(out.currentLine(), 0);
    EXPECT_EQ(out.line(0), "line 2");
}

TEST(OutputWindow, ColourCodesSelectPaletteEntriesAndOutOfRangeNumbersTheDefault) {
    EXPECT_EQ(TOutputWnd::plainText(QStringLiteral("\x03"
                                                   "05Fm A\x03"
                                                   "12,03B\x03"
                                                   "C\x03"
                                                   "9")),
              "Fm ABC9");
    Monitor m;
    m.out.setPaletteColour(4, QColor(200, 0, 0));
    m.out.setPaletteColour(9, QColor(0, 150, 0));
    m.out.addLine(QStringLiteral("\x03"
                                 "04RRRR"));
    m.out.addLine(QStringLiteral("\x03"
                                 "99HHHH"));
    m.out.addLine(QStringLiteral("\x03"
                                 "16HHHH"));
    m.out.setPaletteColour(15, QColor(230, 230, 230));
    m.out.addLine(QStringLiteral("\x03"
                                 "04,15RRRR"));
    const QImage image = m.render();
    EXPECT_EQ(inkOf(image, m.band(0)), QColor(200, 0, 0));
    EXPECT_EQ(inkOf(image, m.band(1)), kText);
    EXPECT_EQ(inkOf(image, m.band(2)), kText);
    // With a background: the background fills behind the text, the text keeps its colour.
    const QRect text = m.band(3).adjusted(TOutputWnd::kMargin, 0, -(m.band(3).width() - 40), 0);
    EXPECT_EQ(inkOf(image, text), QColor(230, 230, 230));
    EXPECT_EQ(inkOf(image, text, QColor(230, 230, 230)), QColor(200, 0, 0));
    // Nothing is drawn above the oldest line.
    EXPECT_FALSE(inkOf(image, QRect(0, 0, image.width(), m.band(0).top())).isValid());
}

TEST(OutputWindow, LongLinesAreCutAndReachedWithTheHorizontalOffset) {
    Monitor m;
    m.out.setPaletteColour(4, QColor(200, 0, 0));
    m.out.setPaletteColour(9, QColor(0, 150, 0));
    m.out.addLine(QStringLiteral("\x03"
                                 "04") +
                  QString(150, QLatin1Char('M')) +
                  "\x03"
                  "09" +
                  QString(10, QLatin1Char('M')));
    const int overhang = m.out.longestLineWidth() + 2 * TOutputWnd::kMargin - m.out.viewport()->width();
    ASSERT_GT(overhang, 0);
    m.out.setHorizontalOffset(1'000'000);
    EXPECT_EQ(m.out.horizontalOffset(), overhang);
    EXPECT_EQ(m.out.horizontalScrollBar()->maximum(), overhang);
    QImage image = m.render();
    const QRect right = m.band(0).adjusted(m.band(0).width() - 60, 0, 0, 0);
    const QRect left = m.band(0).adjusted(0, 0, -(m.band(0).width() - 60), 0);
    EXPECT_EQ(inkOf(image, right), QColor(0, 150, 0));
    EXPECT_EQ(inkOf(image, left), QColor(200, 0, 0));

    m.out.setHorizontalOffset(0);
    image = m.render();
    EXPECT_EQ(inkOf(image, right), QColor(200, 0, 0));
    // Once everything fits, the offset goes back to the start.
    m.out.setHorizontalOffset(overhang);
    QFont small = m.out.font();
    small.setPixelSize(4);
    m.out.setFont(small);
    EXPECT_EQ(m.out.horizontalOffset(), 0);
}

TEST(Monitor, HeaderLinesAreColouredByWhoTheyConcern) {
    Monitor m;
    m.view.addFrame(frame(header("N0ME", "APZEL") + "\r!4903.50N/07201.75W-\r", true));
    m.view.addFrame(aprs("W1ABC"));
    m.view.addFrame(frame(header("W1ABC", "APRS", "N0ME-9*,WIDE2-1") + "\r>status\r"));
    m.view.addFrame(frame(header("W1ABC", "n0me") + "\r>status\r"));
    ASSERT_EQ(m.out.lineCount(), 8);
    EXPECT_EQ(m.out.line(0), "\x03"
                             "05" +
                                 header("N0ME", "APZEL"));
    EXPECT_EQ(m.out.line(1), "!4903.50N/07201.75W-");

    const QImage image = m.render();
    EXPECT_EQ(inkOf(image, m.band(0)), kTxMagenta);
    EXPECT_EQ(inkOf(image, m.band(1)), kText);
    EXPECT_EQ(inkOf(image, m.band(2)), kHeaderBlue);
    EXPECT_EQ(inkOf(image, m.band(3)), kText);
    EXPECT_EQ(inkOf(image, m.band(4)), kMineTeal);   // the mobile call in the via path
    EXPECT_EQ(inkOf(image, m.band(6)), kHeaderBlue); // case counts
}

TEST(Monitor, OnlyLinesWithFmAtTheirFourthCharacterAreHeaders) {
    Monitor m;
    m.view.addFrame(frame(header("W1ABC", "APRS") + "\r\n\r\nX\rGT:F\n12:Fm\r 1:Fm N0ME\r"));
    ASSERT_EQ(m.out.lineCount(), 5); // empty lines skipped
    EXPECT_EQ(m.out.line(1), "X");
    EXPECT_EQ(m.out.line(2), "GT:F");
    EXPECT_EQ(m.out.line(3), "\x03"
                             "0312:Fm");
    EXPECT_EQ(m.out.line(4), "\x03"
                             "02 1:Fm N0ME");
    const QImage image = m.render();
    EXPECT_EQ(inkOf(image, m.band(1)), kText);

    // Without own calls nothing counts as naming them (an empty call is in every line).
    m.view.setOwnCalls(QString(), QString());
    m.view.addFrame(aprs("N0ME"));
    EXPECT_EQ(m.out.line(5).left(3), "\x03"
                                     "03");
}

TEST(Monitor, ControlCharactersFromTheAirAreShownNotObeyed) {
    Monitor m;
    m.view.addFrame(aprs("W1ABC", QStringLiteral("\x03"
                                                 "99,04boom\x07\x7F") +
                                      QChar(0x85) + QChar(0x202E) + "cba"));
    m.view.addFrame(frame(QStringLiteral("GT:Fm W1ABC\x03"
                                         "05 To APRS <UI>\r") +
                          QChar(0x2028) + "x\r"));
    EXPECT_EQ(m.out.line(1), "\\x0399,04boom\\x07\\x7F\\x85\\u202Ecba");
    EXPECT_EQ(m.out.line(2), "\x03"
                             "03GT:Fm W1ABC\\x0305 To APRS <UI>");
    EXPECT_EQ(m.out.line(3), "\\u2028x");
    EXPECT_EQ(MonitorView::escaped(QStringLiteral("plain ÄÖ text")), "plain ÄÖ text");

    const QImage image = m.render();
    EXPECT_EQ(inkOf(image, m.band(1)), kText);
    EXPECT_EQ(inkOf(image, m.band(2)), kHeaderBlue);
}

TEST(Monitor, ScrolledBackTheViewStaysPutAndFollowsAgainAtTheBottom) {
    Monitor m;
    for (int i = 0; i < 240; ++i) m.view.addFrame(aprs(QStringLiteral("W%1AB").arg(i)));
    ASSERT_EQ(m.out.currentLine(), 479);
    m.out.setCurrentLine(300);
    const QString shown = m.out.line(300);
    for (int i = 240; i < 340; ++i) m.view.addFrame(aprs(QStringLiteral("W%1AB").arg(i)));
    ASSERT_EQ(m.out.lineCount(), 500);
    EXPECT_EQ(m.out.currentLine(), 120);
    EXPECT_EQ(m.out.line(120), shown);
    EXPECT_TRUE(waitUntil([&] { return m.out.verticalScrollBar()->value() == m.out.currentLine(); }));
    EXPECT_EQ(m.out.verticalScrollBar()->maximum(), 499);

    // The user scrolls to the newest line: from there new lines are followed again.
    m.out.verticalScrollBar()->setValue(499);
    m.view.addFrame(aprs("W9XYZ"));
    EXPECT_EQ(m.out.currentLine(), 499);
    EXPECT_TRUE(m.out.line(499).startsWith("!4903"));
}

TEST(Monitor, ScrolledToTheTopTheWindowIsFull) {
    Monitor m;
    for (int i = 0; i < 100; ++i) m.view.addFrame(aprs(QStringLiteral("W%1AB").arg(i)));
    key(&m.out, Qt::Key_Home, Qt::ControlModifier);
    const int rows = m.out.viewport()->height() / m.out.lineHeight();
    EXPECT_EQ(m.out.currentLine(), rows - 1);
    EXPECT_EQ(inkOf(m.render(), m.band(0)), kHeaderBlue);
    key(&m.out, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(m.out.currentLine(), 199);
}

TEST(Monitor, PauseHoldsTheViewAndResumeShowsTheNewest) {
    Monitor m;
    for (int i = 0; i < 10; ++i) m.view.addFrame(aprs(QStringLiteral("W%1AB").arg(i)));
    EXPECT_TRUE(m.view.handlesCommand(Command::PauseMonitor));
    EXPECT_FALSE(m.view.isCommandChecked(Command::PauseMonitor));
    m.view.runCommand(Command::PauseMonitor);
    EXPECT_TRUE(m.view.isCommandChecked(Command::PauseMonitor));
    EXPECT_GE(m.commandsChanged, 1);

    const QString shown = m.out.line(19);
    for (int i = 10; i < 250; ++i) m.view.addFrame(aprs(QStringLiteral("W%1AB").arg(i)));
    EXPECT_EQ(m.out.currentLine(), 19);
    EXPECT_EQ(m.out.line(19), shown);
    // Still bounded while paused.
    for (int i = 250; i < 350; ++i) m.view.addFrame(aprs(QStringLiteral("W%1AB").arg(i)));
    EXPECT_EQ(m.out.lineCount(), 500);

    m.view.runCommand(Command::PauseMonitor);
    EXPECT_FALSE(m.view.isCommandChecked(Command::PauseMonitor));
    EXPECT_EQ(m.out.currentLine(), 499);
    m.view.addFrame(aprs("W9XYZ"));
    EXPECT_EQ(m.out.currentLine(), 499);
    EXPECT_EQ(m.out.line(498), "\x03"
                               "03" +
                                   header("W9XYZ", "APRS"));
}

TEST(Monitor, SelectedLinesAreCopiedAsPlainText) {
    Monitor m;
    m.view.addFrame(aprs("W1ABC"));
    m.view.addFrame(aprs("W2ABC", QStringLiteral("bad\x03"
                                                 "99")));
    EXPECT_FALSE(m.view.handlesCommand(Command::Copy));
    QApplication::clipboard()->clear();

    // A click selects a line, a shift-click extends the selection.
    click(m.out.viewport(), m.centreOf(1));
    EXPECT_EQ(m.out.selectedRange(), std::make_pair(1, 1));
    EXPECT_TRUE(m.view.handlesCommand(Command::Copy));
    click(m.out.viewport(), m.centreOf(3), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(m.out.selectedRange(), std::make_pair(1, 3));
    EXPECT_GE(m.commandsChanged, 2);
    const QString expected =
        QStringLiteral("!4903.50N/07201.75W-Test\n") + header("W2ABC", "APRS") + "\nbad\\x0399";
    m.view.runCommand(Command::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), expected);

    // Selected lines are drawn highlighted.
    EXPECT_EQ(m.render().pixelColor(2, m.centreOf(2).y()), QColor(0, 0, 160));

    QApplication::clipboard()->clear();
    key(&m.out, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), expected);

    // The context menu's "Copy"; a right click outside the selection selects that line first.
    QApplication::clipboard()->clear();
    click(m.out.viewport(), m.centreOf(0), Qt::RightButton);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, m.centreOf(0),
                                m.out.viewport()->mapToGlobal(m.centreOf(0)));
    QApplication::sendEvent(m.out.viewport(), &menuEvent);
    auto* menu = m.out.findChild<QMenu*>("monitorContextMenu");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* copy = menu->actions().first();
    EXPECT_EQ(copy->text(), "Copy");
    EXPECT_TRUE(copy->isEnabled());
    copy->trigger();
    menu->close();
    EXPECT_EQ(QApplication::clipboard()->text(), header("W1ABC", "APRS"));

    // The selection goes with its lines when they leave the buffer.
    for (int i = 0; i < 500; ++i) m.out.addLine(QStringLiteral("filler"));
    EXPECT_FALSE(m.view.handlesCommand(Command::Copy));
}

TEST(Monitor, SettingsReloadAppliesColoursAndOnlyWholeFontRecords) {
    Monitor m;
    m.view.addFrame(aprs("W1ABC"));
    write(m.t.settings, Settings::MONITORHEADCOLOR, 0x00A000);
    write(m.t.settings, Settings::MONITORMYCOLOR, 0x0000C0);
    m.view.reloadSettings();
    m.view.addFrame(aprs("N0ME"));
    QImage image = m.render();
    EXPECT_EQ(inkOf(image, m.band(0)), QColor(0, 160, 0));
    EXPECT_EQ(inkOf(image, m.band(2)), QColor(192, 0, 0));

    const LogFont current = *m.out.logFont();
    const int height = m.out.lineHeight();
    QFont big(QStringLiteral("DejaVu Sans Mono"));
    big.setPixelSize(30);
    write(m.t.settings, Settings::MONITORTEXTFONT, LogFont::fromQFont(big).bytes().left(91));
    m.view.reloadSettings();
    EXPECT_EQ(m.out.logFont(), current);
    EXPECT_EQ(m.out.lineHeight(), height);

    write(m.t.settings, Settings::MONITORTEXTFONT, LogFont::fromQFont(big).bytes());
    m.view.reloadSettings();
    EXPECT_EQ(m.out.logFont(), LogFont::fromQFont(big));
    EXPECT_GT(m.out.lineHeight(), height);
    EXPECT_EQ(m.out.font().pixelSize(), 30);
}

TEST(Monitor, DefaultTextAndColoursStayReadableOnADarkTheme) {
    Monitor m;
    const QColor darkBase(0x23, 0x26, 0x29), lightText(0xEF, 0xF0, 0xF1);
    m.view.setPalette(palette(darkBase, lightText));
    m.view.addFrame(aprs("W1ABC"));
    m.view.addFrame(frame(header("N0ME", "APZEL") + "\r!4903.50N/07201.75W-\r", true));
    const QImage image = m.render();
    EXPECT_EQ(image.pixelColor(0, 0), darkBase);
    EXPECT_EQ(inkOf(image, m.band(1), darkBase), lightText);
    // The header's blue is lightened, keeping its hue, until it reads on the dark base.
    const QColor blue = inkOf(image, m.band(0), darkBase);
    EXPECT_NE(blue, kHeaderBlue);
    EXPECT_GT(blue.blue(), blue.red() + 60);
    EXPECT_GE(contrast(blue, darkBase), 3.0);
    // The own transmission's magenta reads as it is.
    EXPECT_EQ(inkOf(image, m.band(2), darkBase), kTxMagenta);
}
