#include "maps/ui/DlgTileSource.h"

#include "platform/SettingsStore.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

DlgTileSource::DlgTileSource(SettingsStore& settings, QWidget* parent, bool storeOnAccept, QStringList taken)
    : QDialog(parent), m_settings(settings), m_storeOnAccept(storeOnAccept), m_taken(std::move(taken)) {
    setObjectName(QStringLiteral("tileSourceDialog"));
    setWindowTitle(tr("Add Tile Source"));
    auto* form = new QFormLayout;
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setMaxLength(TileSources::kMaxTextLength);
    m_url = new QLineEdit(this);
    m_url->setObjectName(QStringLiteral("url"));
    m_url->setPlaceholderText(QStringLiteral("https://tiles.example.org/{z}/{x}/{y}.png"));
    m_url->setMinimumWidth(360);
    m_maxZoom = new QSpinBox(this);
    m_maxZoom->setObjectName(QStringLiteral("maxZoom"));
    m_maxZoom->setRange(TileMath::kMinZoom, TileMath::kMaxZoom);
    m_maxZoom->setValue(TileMath::kMaxZoom);
    m_attribution = new QLineEdit(TileSources::kOpenStreetMapAttribution, this);
    m_attribution->setObjectName(QStringLiteral("attribution"));
    m_attribution->setMaxLength(TileSources::kMaxTextLength);
    form->addRow(tr("&Name:"), m_name);
    form->addRow(tr("&Address:"), m_url);
    form->addRow(tr("&Deepest zoom:"), m_maxZoom);
    form->addRow(tr("A&ttribution:"), m_attribution);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->setWordWrap(true);
    auto* note =
        new QLabel(tr("Use only servers whose terms allow this program's use. Tiles are cached on disk "
                      "as the server's headers allow."),
                   this);
    note->setWordWrap(true);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &DlgTileSource::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(m_problem);
    layout->addWidget(m_buttons);
    for (QLineEdit* edit : {m_name, m_url})
        connect(edit, &QLineEdit::textChanged, this, &DlgTileSource::check);
    check();
}

TileSource DlgTileSource::source() const {
    TileSource s;
    s.name = TileSources::plainLine(m_name->text());
    s.urlTemplate = m_url->text().trimmed();
    s.maxZoom = m_maxZoom->value();
    s.attribution = TileSources::plainLine(m_attribution->text());
    return s;
}

QString DlgTileSource::problem() const {
    const TileSource s = source();
    if (s.name.isEmpty()) return tr("Give the source a name.");
    if (TileSources::find(m_settings, s.name) || m_taken.contains(s.name))
        return tr("There is a source of this name already.");
    if (!TileSource::isUsableTemplate(s.urlTemplate))
        return tr("The address must be an http or https address with {z}, {x} and {y} in it.");
    return {};
}

void DlgTileSource::check() {
    const QString why = problem();
    m_problem->setText(why);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(why.isEmpty());
}

void DlgTileSource::accept() {
    if (!problem().isEmpty() || (m_storeOnAccept && !TileSources::add(m_settings, source()))) {
        check();
        return;
    }
    m_added = source().name;
    QDialog::accept();
}
