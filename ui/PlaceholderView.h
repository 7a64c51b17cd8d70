#pragma once

#include "controls/CommandIds.h"

#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <functional>

// A fixed tab whose view is not built yet: a short summary of what the station holds, refreshed
// every few seconds while shown.
class PlaceholderView : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    PlaceholderView(const QString& name, std::function<QString()> summary, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();

    std::function<QString()> m_summary;
    QLabel* m_label;
    QTimer m_timer;
};
