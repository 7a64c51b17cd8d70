#pragma once

#include "messaging/OwnObjectsManager.h"

#include <QWidget>

class Prompter;
class QComboBox;
class QLineEdit;
class QSpinBox;
class ZelMFCFullMask;

// The fields of one own object, shared by the New Object and Edit Object dialogs: name, position
// in the masked latitude and longitude fields, symbol (both tables, with an optional overlay
// character on the alternate one), comment and interval.
class ObjectForm : public QWidget {
    Q_OBJECT
public:
    explicit ObjectForm(Prompter& prompter, QWidget* parent = nullptr);

    void setFields(const OwnObjectFields& fields);
    // What the fields hold now. A masked field that is incomplete or out of range reads as NaN, so
    // the manager's check refuses it.
    OwnObjectFields fields() const;

    // Checks the fields (the name's uniqueness aside); on a fault reports it through the prompter,
    // puts the focus on the field and returns false.
    bool validate();
    // Reports a refusal of the manager and puts the focus on the field it concerns.
    void showRefusal(ObjectRefusal refusal);
    static QString refusalText(ObjectRefusal refusal);

    QLineEdit* nameField() const { return m_name; }

private:
    QWidget* fieldFor(ObjectRefusal refusal) const;
    void updateOverlay();

    Prompter& m_prompter;
    QLineEdit* m_name = nullptr;
    ZelMFCFullMask* m_latitude = nullptr;
    ZelMFCFullMask* m_longitude = nullptr;
    QComboBox* m_symbol = nullptr;
    QComboBox* m_overlay = nullptr;
    QLineEdit* m_comment = nullptr;
    QSpinBox* m_interval = nullptr;
};
