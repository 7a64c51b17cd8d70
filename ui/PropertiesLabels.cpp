#include "ui/PropertiesLabels.h"

#include "controls/CColourPicker.h"
#include "controls/ZelDlgChooseFont.h"
#include "platform/Settings.h"
#include "platform/gui/LogFont.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIconEngine>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr int kLabelStyles = 3;

// The pictogram of a label style: a station symbol with its label box above or below the
// symbol's top edge, or the symbol alone. Drawn at whatever size and pixel ratio is asked for.
class LabelStyleIcon : public QIconEngine {
public:
    explicit LabelStyleIcon(int type) : m_type(type) {}
    QIconEngine* clone() const override { return new LabelStyleIcon(m_type); }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        paint(&p, QRect(QPoint(), size), mode, state);
        return pixmap;
    }
    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const QPalette palette = QApplication::palette();
        const QPalette::ColorGroup group = mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active;
        const QColor ink = palette.color(group, QPalette::WindowText);
        const QColor accent = palette.color(group, QPalette::Highlight);
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        const qreal u = std::min(rect.width() / 12.0, rect.height() / 8.0);
        const QPointF origin(rect.left() + (rect.width() - 12 * u) / 2,
                             rect.top() + (rect.height() - 8 * u) / 2);
        const QPointF symbol = origin + QPointF(2 * u, 4 * u);
        p->setPen(Qt::NoPen);
        p->setBrush(accent);
        p->drawEllipse(symbol, 1.4 * u, 1.4 * u);
        if (m_type != 2) {
            // The box stands on the symbol's line (type 0) or hangs from it (type 1).
            const qreal top = m_type == 0 ? 0.6 * u : 4.2 * u;
            const QRectF box(origin + QPointF(4.2 * u, top), QSizeF(7.4 * u, 3.2 * u));
            p->setPen(QPen(ink, std::max(1.0, 0.35 * u)));
            p->setBrush(Qt::NoBrush);
            p->drawRoundedRect(box, 0.6 * u, 0.6 * u);
            p->drawLine(box.topLeft() + QPointF(1.0 * u, 1.1 * u),
                        box.topRight() + QPointF(-1.0 * u, 1.1 * u));
            p->drawLine(box.topLeft() + QPointF(1.0 * u, 2.1 * u),
                        box.topRight() + QPointF(-2.6 * u, 2.1 * u));
        }
        p->restore();
    }

private:
    int m_type;
};
} // namespace

FontChoice::FontChoice(const QString& caption, const Settings::Binary& setting, PropertiesContext& context,
                       QWidget* parent)
    : QWidget(parent), m_setting(setting), m_context(context), m_button(new QPushButton(caption, this)),
      m_name(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    layout->addWidget(m_name, 1);
    setFocusProxy(m_button);
    connect(m_button, &QPushButton::clicked, this, &FontChoice::choose);
}

QString FontChoice::description(const std::optional<QByteArray>& stored) {
    const LogFont record = ZelDlgChooseFont::startRecord(stored);
    const QFont font = record.toQFont();
    QString text = record.faceName().isEmpty() ? tr("System font") : record.faceName();
    if (font.pixelSize() > 0) text += QStringLiteral(", %1 px").arg(font.pixelSize());
    if (font.bold()) text += tr(", bold");
    if (font.italic()) text += tr(", italic");
    return text;
}

void FontChoice::load() {
    m_name->setText(description(read(m_context.settings, m_setting)));
}

void FontChoice::choose() {
    if (chooseFont(window(), m_context.dialogs, m_context.settings, m_setting)) load();
}

PropertiesLabels::PropertiesLabels(PropertiesContext& context, QWidget* parent)
    : PropertyPage(QStringLiteral("Labels"), context, parent), m_textColour(new CColourPicker(this)),
      m_backColour(new CColourPicker(this)),
      m_font(new FontChoice(QStringLiteral("Font..."), Settings::TEXTFONT, context, this)),
      m_style(new QButtonGroup(this)), m_border(new QComboBox(this)), m_keep(new QSpinBox(this)) {
    setObjectName(QStringLiteral("PropertiesLabels"));
    m_textColour->setObjectName(QStringLiteral("labelTextColour"));
    m_backColour->setObjectName(QStringLiteral("labelBackColour"));
    for (CColourPicker* picker : {m_textColour, m_backColour}) picker->setDialogRunner(&context.dialogs);
    m_font->button()->setObjectName(QStringLiteral("labelFont"));

    const QString styles[kLabelStyles] = {tr("Label above"), tr("Label below"), tr("No label")};
    auto* styleRow = new QHBoxLayout;
    for (int type = 0; type < kLabelStyles; ++type) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("labelStyle%1").arg(type));
        button->setCheckable(true);
        button->setText(styles[type]);
        button->setIcon(QIcon(new LabelStyleIcon(type)));
        button->setIconSize(QSize(48, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setMinimumWidth(96);
        button->setFocusPolicy(Qt::StrongFocus);
        m_style->addButton(button, type);
        styleRow->addWidget(button);
    }
    styleRow->addStretch();
    m_style->setExclusive(true);

    m_border->setObjectName(QStringLiteral("border"));
    int number = 0;
    for (const char* text : {"No Border", "Rectangle", "Round Rect", "Raised"})
        m_border->addItem(QString::fromLatin1(text), number++);
    m_keep->setObjectName(QStringLiteral("keep"));
    m_keep->setRange(kMinExpire, kMaxExpire);
    m_keep->setSuffix(QStringLiteral(" Minutes"));

    auto* labels = new QGroupBox(tr("Map labels"), this);
    auto* labelForm = new QFormLayout(labels);
    labelForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    labelForm->addRow(tr("Text colour"), m_textColour);
    labelForm->addRow(tr("Background colour"), m_backColour);
    labelForm->addRow(tr("Font"), m_font);
    labelForm->addRow(tr("Placement"), styleRow);
    labelForm->addRow(tr("Border"), m_border);

    auto* stations = new QGroupBox(tr("Stations"), this);
    auto* stationForm = new QFormLayout(stations);
    stationForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    stationForm->addRow(QStringLiteral("Keep"), m_keep);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labels);
    layout->addWidget(stations);
    layout->addStretch();

    QWidget* order[] = {m_textColour,       m_backColour,       m_font->button(), m_style->button(0),
                        m_style->button(1), m_style->button(2), m_border,         m_keep};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void PropertiesLabels::load() {
    const SettingsStore& s = settings();
    m_textColour->load(s, Settings::LABELTEXTCOLOR);
    m_backColour->load(s, Settings::LABELBACKCOLOR);
    m_font->load();
    if (QAbstractButton* style = m_style->button(read(s, Settings::LABELTYPE))) style->setChecked(true);
    m_border->setCurrentIndex(m_border->findData(read(s, Settings::TEXTBORDER)));
    m_keep->setValue(std::clamp(read(s, Settings::EXPIRETIME), kMinExpire, kMaxExpire));
}

QString PropertiesLabels::problem() const {
    if (!m_keep->hasAcceptableInput())
        return tr("Keep must be between %1 and %2 minutes.").arg(kMinExpire).arg(kMaxExpire);
    return {};
}

void PropertiesLabels::save() {
    SettingsStore& s = settings();
    m_textColour->save(s, Settings::LABELTEXTCOLOR);
    m_backColour->save(s, Settings::LABELBACKCOLOR);
    // A style or border that is not selected keeps its stored value.
    if (m_style->checkedId() >= 0) write(s, Settings::LABELTYPE, m_style->checkedId());
    if (m_border->currentIndex() >= 0) write(s, Settings::TEXTBORDER, m_border->currentData().toInt());
    write(s, Settings::EXPIRETIME, m_keep->value());
}
