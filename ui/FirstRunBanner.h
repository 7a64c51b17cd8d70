#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

// Shown above the tabs while the station has no call sign: it listens, but transmits nothing
// until one is set, and the banner offers the setup.
class FirstRunBanner : public QFrame {
    Q_OBJECT
public:
    explicit FirstRunBanner(QWidget* parent = nullptr);

signals:
    void setupRequested();

private:
    QLabel* m_text;
    QPushButton* m_setup;
};
