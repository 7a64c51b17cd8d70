#pragma once

#include <QDialog>

class OwnObjectsManager;
class QListWidget;

// Kill Object: one of the live own objects, chosen from a list, is withdrawn. Other stations hear
// it in its killed form on the next minute ticks, then it is gone.
class DlgKillObject : public QDialog {
    Q_OBJECT
public:
    // The named object starts selected, or the first one.
    explicit DlgKillObject(OwnObjectsManager& objects, const QString& name = {}, QWidget* parent = nullptr);

    QListWidget* objectList() const { return m_list; }
    const QString& killedName() const { return m_killed; }

    void accept() override;

private:
    OwnObjectsManager& m_objects;
    QListWidget* m_list = nullptr;
    QString m_killed;
};
