#pragma once

#include <QDialog>

class ObjectForm;
class OwnObjectsManager;
class Prompter;
class QComboBox;

// Edit Object: one of the live own objects, chosen from a list, in the object fields. Ok stores
// the changes with a new time stamp and sends the object at once; a new name withdraws the old one.
class DlgEditObject : public QDialog {
    Q_OBJECT
public:
    // Opens on the named object, or the first one.
    DlgEditObject(OwnObjectsManager& objects, Prompter& prompter, const QString& name = {},
                  QWidget* parent = nullptr);

    ObjectForm* form() const { return m_form; }
    QComboBox* objectList() const { return m_list; }

    void accept() override;

private:
    void showObject(const QString& name);

    OwnObjectsManager& m_objects;
    ObjectForm* m_form = nullptr;
    QComboBox* m_list = nullptr;
};
