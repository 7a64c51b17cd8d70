#include "ui/MonitorView.h"

#include "platform/Settings.h"
#include "platform/SettingsStore.h"
#include "platform/Trace.h"
#include "platform/gui/LogFont.h"
#include "platform/gui/WinColor.h"
#include "ui/TOutputWnd.h"

#include <QVBoxLayout>

namespace {

bool needsEscape(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// "\x03" for a character up to 0xFF, "\u202E" above.
void appendEscape(QString& out, char16_t c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.append(QLatin1Char('\\'));
    out.append(QLatin1Char(c <= 0xFF ? 'x' : 'u'));
    for (int shift = c <= 0xFF ? 4 : 12; shift >= 0; shift -= 4)
        out.append(QLatin1Char(kDigits[(c >> shift) & 0xF]));
}

QString prefix(int colour) {
    const QChar code[] = {QChar(TOutputWnd::kColourCode), QChar(u'0' + colour / 10),
                          QChar(u'0' + colour % 10)};
    return QString(code, 3);
}

} // namespace

MonitorView::MonitorView(SettingsStore& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_output(new TOutputWnd(this)) {
    setObjectName(QStringLiteral("MonitorView"));
    m_output->setObjectName(QStringLiteral("monitorOutput"));
    m_output->setProperty("controlId", kOutputControlId);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_output);
    setFocusProxy(m_output);
    connect(m_output, &TOutputWnd::selectionChanged, this, [this] { notifyCommandsChanged(); });
    connect(m_output, &TOutputWnd::pausedChanged, this, [this] { notifyCommandsChanged(); });
    reloadSettings();
}

void MonitorView::addFrame(const ReceivedFrame& frame) {
    try {
        addFrameLines(frame);
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
}

void MonitorView::addFrameLines(const ReceivedFrame& frame) {
    const QString& text = frame.text;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != QLatin1Char('\r') && text.at(end) != QLatin1Char('\n'))
            ++end;
        if (end > start) {
            const QString line = escaped(text.mid(start, end - start));
            const bool header =
                line.size() >= 5 && line.at(3) == QLatin1Char('F') && line.at(4) == QLatin1Char('m');
            if (!header)
                m_output->addLine(line);
            else if (frame.ownTransmission)
                m_output->addLine(prefix(kOwnTransmissionColour) + line);
            else
                m_output->addLine(prefix(namesOwnCall(line) ? kOwnCallColour : kHeaderColour) + line);
        }
        start = end + 1;
    }
}

bool MonitorView::namesOwnCall(const QString& line) const {
    return (!m_myCall.isEmpty() && line.contains(m_myCall)) ||
           (!m_mobileCall.isEmpty() && line.contains(m_mobileCall));
}

void MonitorView::setOwnCalls(const QString& myCall, const QString& mobileCall) {
    m_myCall = myCall;
    m_mobileCall = mobileCall;
}

void MonitorView::reloadSettings() {
    m_output->setPaletteColour(kOwnCallColour, WinColor::toQColor(static_cast<std::uint32_t>(
                                                   read(m_settings, Settings::MONITORMYCOLOR))));
    m_output->setPaletteColour(kHeaderColour, WinColor::toQColor(static_cast<std::uint32_t>(
                                                  read(m_settings, Settings::MONITORHEADCOLOR))));
    m_output->setPaletteColour(kOwnTransmissionColour, WinColor::toQColor(static_cast<std::uint32_t>(
                                                           read(m_settings, Settings::MONITORTXCOLOR))));
    if (const auto stored = read(m_settings, Settings::MONITORTEXTFONT))
        if (const auto font = LogFont::fromBytes(*stored)) m_output->setLogFont(*font);
}

QString MonitorView::escaped(const QString& text) {
    qsizetype first = 0;
    while (first < text.size() && !needsEscape(text.at(first).unicode())) ++first;
    if (first == text.size()) return text;
    QString out = text.left(first);
    out.reserve(text.size() + 16);
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (needsEscape(c))
            appendEscape(out, c);
        else
            out.append(QChar(c));
    }
    return out;
}

bool MonitorView::handlesCommand(int id) const {
    if (id == Command::Copy) return m_output->hasSelection();
    return id == Command::PauseMonitor;
}

bool MonitorView::isCommandChecked(int id) const {
    return id == Command::PauseMonitor && m_output->isPaused();
}

void MonitorView::runCommand(int id) {
    if (id == Command::Copy)
        m_output->copySelection();
    else if (id == Command::PauseMonitor)
        m_output->setPaused(!m_output->isPaused());
}
