#include "messaging/ui/DlgKillObject.h"

#include "gps/CoordText.h"
#include "messaging/OwnObjectsManager.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

DlgKillObject::DlgKillObject(OwnObjectsManager& objects, const QString& name, QWidget* parent)
    : QDialog(parent), m_objects(objects), m_list(new QListWidget(this)) {
    setObjectName(QStringLiteral("DlgKillObject"));
    setWindowTitle(tr("Kill Object"));
    auto* help = new QLabel(tr("The object chosen is sent as killed on the next three minute ticks, so that "
                               "other stations remove it, and is then deleted."),
                            this);
    help->setTextFormat(Qt::PlainText);
    help->setWordWrap(true);
    m_list->setObjectName(QStringLiteral("objects"));
    for (const QString& n : objects.liveNames()) {
        const OwnObjectRecord* o = objects.findLive(n);
        auto* item =
            new QListWidgetItem(QStringLiteral("%1\t%2 %3  %4")
                                    .arg(n, Coord::latitudeText(o->latitude, Coord::Aprs),
                                         Coord::longitudeText(o->longitude, Coord::Aprs), o->comment),
                                m_list);
        item->setData(Qt::UserRole, n);
        if (n == name) m_list->setCurrentItem(item);
    }
    if (!m_list->currentItem() && m_list->count() > 0) m_list->setCurrentRow(0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* kill = buttons->button(QDialogButtonBox::Ok);
    kill->setText(tr("&Kill"));
    kill->setObjectName(QStringLiteral("kill"));
    kill->setEnabled(m_list->count() > 0);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(help);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    setMinimumSize(420, 260);
    m_list->setFocus();
}

void DlgKillObject::accept() {
    const QListWidgetItem* item = m_list->currentItem();
    if (!item) return;
    const QString name = item->data(Qt::UserRole).toString();
    if (!m_objects.killObject(name)) {
        reject(); // gone meanwhile: nothing left to kill
        return;
    }
    m_killed = name;
    QDialog::accept();
}
