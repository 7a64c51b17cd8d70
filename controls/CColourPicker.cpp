#include "controls/CColourPicker.h"

#include "platform/Settings.h"
#include "platform/SettingsStore.h"
#include "platform/gui/WinColor.h"

#include <QColorDialog>
#include <QEvent>
#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kValueRole = Qt::UserRole + 1;
constexpr std::uint32_t kColourBits = 0xFFFFFF;

// Grouped by hue, greys first.
constexpr std::array<CColourPicker::NamedColour, 18> kNamed{{
    {"Black", 0x000000},
    {"White", 0xFFFFFF},
    {"Gray", 0x808080},
    {"Silver", 0xC0C0C0},
    {"Red", 0x0000FF},
    {"Dark Red", 0x000080},
    {"Orange", 0x00A5FF},
    {"Brown", 0x2A2AA5},
    {"Yellow", 0x00FFFF},
    {"Olive", 0x008080},
    {"Lime", 0x00FF00},
    {"Green", 0x008000},
    {"Cyan", 0xFFFF00},
    {"Teal", 0x808000},
    {"Blue", 0xFF0000},
    {"Navy", 0x800000},
    {"Magenta", 0xFF00FF},
    {"Purple", 0x800080},
}};

// A swatch drawn at whatever size and pixel ratio it is asked for. The frame takes the palette's
// text colour, so black shows on a dark theme and white on a light one.
class SwatchEngine : public QIconEngine {
public:
    enum Look { Fill, Empty, Rainbow };
    SwatchEngine(Look look, QColor fill, QColor frame) : m_look(look), m_fill(fill), m_frame(frame) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled) painter->setOpacity(0.4);
        const qreal pen = std::max<qreal>(1.0, std::round(rect.height() / 14.0));
        const QRectF box = QRectF(rect).adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
        if (m_look == Fill) {
            painter->fillRect(box, m_fill);
        } else if (m_look == Rainbow) {
            QLinearGradient hues(box.topLeft(), box.topRight());
            for (int i = 0; i <= 6; ++i) hues.setColorAt(i / 6.0, QColor::fromHsv((i * 60) % 360, 200, 255));
            painter->fillRect(box, hues);
        }
        painter->setPen(QPen(m_frame, pen));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(box);
        if (m_look == Empty) painter->drawLine(box.bottomLeft(), box.topRight());
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new SwatchEngine(*this); }

private:
    Look m_look;
    QColor m_fill;
    QColor m_frame;
};

QString customText(std::uint32_t value) {
    return QStringLiteral("Custom (%1)").arg(WinColor::toQColor(value).name().toUpper());
}

} // namespace

std::span<const CColourPicker::NamedColour> CColourPicker::namedColours() {
    return kNamed;
}

CColourPicker::CColourPicker(QWidget* parent) : QComboBox(parent) {
    addItem(QStringLiteral("Automatic"));
    setItemData(0, Automatic, kKindRole);
    for (const NamedColour& named : kNamed) {
        addItem(QString::fromLatin1(named.name));
        setItemData(count() - 1, Named, kKindRole);
        setItemData(count() - 1, named.value, kValueRole);
    }
    addItem(QStringLiteral("Other..."));
    setItemData(count() - 1, Other, kKindRole);
    setMaxVisibleItems(count() + 1);
    refreshSwatches();
    chooseOther = [this](QColor initial) { return runColourDialog(initial); };
    connect(this, &QComboBox::currentIndexChanged, this, &CColourPicker::indexChanged);
}

std::optional<std::uint32_t> CColourPicker::colour() const {
    // While "Other..." is open the colour is still the one it came from.
    const int index = itemData(currentIndex(), kKindRole).toInt() == Other ? m_lastIndex : currentIndex();
    const QVariant value = itemData(index, kValueRole);
    if (itemData(index, kKindRole).toInt() == Automatic || !value.isValid()) return std::nullopt;
    return value.toUInt();
}

void CColourPicker::setColour(std::optional<std::uint32_t> value) {
    select(value);
    noteChange();
}

void CColourPicker::setAutomaticColour(std::optional<std::uint32_t> value) {
    m_automatic = value ? std::optional(*value & kColourBits) : std::nullopt;
    refreshSwatches();
}

int CColourPicker::indexOfKind(Kind kind) const {
    for (int i = 0; i < count(); ++i)
        if (itemData(i, kKindRole).toInt() == kind) return i;
    return -1;
}

int CColourPicker::indexOfValue(std::uint32_t value) const {
    for (int i = 0; i < count(); ++i) {
        const int kind = itemData(i, kKindRole).toInt();
        if ((kind == Named || kind == Custom) && itemData(i, kValueRole).toUInt() == value) return i;
    }
    return -1;
}

void CColourPicker::select(std::optional<std::uint32_t> value) {
    const QSignalBlocker quiet(this);
    int index = indexOfKind(Automatic);
    if (value) {
        const std::uint32_t colour = *value & kColourBits;
        index = indexOfValue(colour);
        if (index < 0) {
            // One custom item, just above "Other...", shows the latest colour that has no name.
            index = indexOfKind(Custom);
            if (index < 0) {
                index = indexOfKind(Other);
                insertItem(index, QString());
                setItemData(index, Custom, kKindRole);
            }
            setItemText(index, customText(colour));
            setItemData(index, colour, kValueRole);
            refreshSwatches();
        }
    }
    setCurrentIndex(index);
    m_lastIndex = index;
}

void CColourPicker::indexChanged(int index) {
    if (m_updating || index < 0) return;
    if (itemData(index, kKindRole).toInt() == Other) {
        askOther();
        return;
    }
    m_lastIndex = index;
    noteChange();
}

void CColourPicker::askOther() {
    std::optional<std::uint32_t> from = colour();
    if (!from) from = m_automatic;
    const QColor initial = from ? WinColor::toQColor(*from) : palette().color(QPalette::Text);
    const QPointer<CColourPicker> alive(this);
    m_updating = true;
    const std::optional<QColor> chosen = chooseOther ? chooseOther(initial) : std::nullopt;
    if (!alive) return;
    m_updating = false;
    if (chosen && chosen->isValid()) {
        select(WinColor::fromQColor(*chosen));
    } else {
        const QSignalBlocker quiet(this);
        setCurrentIndex(m_lastIndex);
    }
    noteChange();
}

void CColourPicker::noteChange() {
    const std::optional<std::uint32_t> now = colour();
    if (now == m_reported) return;
    m_reported = now;
    emit colourChanged();
}

void CColourPicker::refreshSwatches() {
    QColor frame = palette().color(QPalette::Text);
    frame.setAlphaF(0.6f);
    const int height = std::max(10, fontMetrics().height() * 4 / 5);
    setIconSize(QSize(height * 2, height));
    for (int i = 0; i < count(); ++i) {
        SwatchEngine* engine = nullptr;
        switch (itemData(i, kKindRole).toInt()) {
        case Automatic:
            engine = m_automatic
                         ? new SwatchEngine(SwatchEngine::Fill, WinColor::toQColor(*m_automatic), frame)
                         : new SwatchEngine(SwatchEngine::Empty, {}, frame);
            break;
        case Other:
            engine = new SwatchEngine(SwatchEngine::Rainbow, {}, frame);
            break;
        default:
            engine = new SwatchEngine(SwatchEngine::Fill,
                                      WinColor::toQColor(itemData(i, kValueRole).toUInt()), frame);
            break;
        }
        setItemIcon(i, QIcon(engine));
    }
}

void CColourPicker::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::FontChange)
        refreshSwatches();
}

std::optional<QColor> CColourPicker::runColourDialog(QColor initial) {
    QColorDialog dialog(initial, this);
    dialog.setWindowTitle(QStringLiteral("Other Colour"));
    DialogRunner& runner = m_runner ? *m_runner : m_modal;
    if (runner.run(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.currentColor();
}

std::optional<std::uint32_t> CColourPicker::read(const SettingsStore& settings,
                                                 const Settings::Int& setting) {
    const QString section = QString::fromLatin1(setting.section);
    const QString name = QString::fromLatin1(setting.name);
    // The store answers the default for a missing value: two different defaults tell it apart.
    const int value = settings.readInt(section, name, 0);
    if (value != settings.readInt(section, name, 1)) return std::nullopt;
    return static_cast<std::uint32_t>(value) & kColourBits;
}

void CColourPicker::write(SettingsStore& settings, const Settings::Int& setting,
                          std::optional<std::uint32_t> value) {
    const QString section = QString::fromLatin1(setting.section);
    const QString name = QString::fromLatin1(setting.name);
    if (value)
        settings.writeInt(section, name, static_cast<int>(*value & kColourBits));
    else
        settings.remove(section, name);
}

void CColourPicker::load(const SettingsStore& settings, const Settings::Int& setting) {
    setAutomaticColour(static_cast<std::uint32_t>(setting.defaultValue));
    setColour(read(settings, setting));
}

void CColourPicker::save(SettingsStore& settings, const Settings::Int& setting) const {
    write(settings, setting, colour());
}
