#pragma once

#include <QDialog>

// Stands in for the setup pages until they exist: says where the settings are kept.
class PlaceholderPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PlaceholderPropertiesDialog(const QString& settingsFile, QWidget* parent = nullptr);
};
