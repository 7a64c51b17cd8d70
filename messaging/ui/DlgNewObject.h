#pragma once

#include <QDialog>

class ObjectForm;
class OwnObjectsManager;
class Prompter;

// New Object: the fields of a new own object, opened at a given position (the station's own, or
// the point clicked on a map). Ok adds the object, which goes out at once; a refused field keeps
// the dialog open with the focus on it.
class DlgNewObject : public QDialog {
    Q_OBJECT
public:
    DlgNewObject(OwnObjectsManager& objects, Prompter& prompter, double latitude, double longitude,
                 QWidget* parent = nullptr);

    ObjectForm* form() const { return m_form; }
    // The name of the object added by Ok.
    const QString& addedName() const { return m_added; }

    void accept() override;

private:
    OwnObjectsManager& m_objects;
    ObjectForm* m_form = nullptr;
    QString m_added;
};
