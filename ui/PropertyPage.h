#pragma once

#include "engine/EngineFrame.h"

#include <QString>
#include <QWidget>

class DialogRunner;
class Prompter;
class SettingsStore;

// What the setup pages work with: the settings, the prompts and dialogs, and the packet engine's
// ports as the station knows them now.
struct PropertiesContext {
    SettingsStore& settings;
    Prompter& prompter;
    DialogRunner& dialogs;
    EnginePortList enginePorts;
};

// One page of the "Properties" sheet. A page reads its values from the settings when it is first
// shown and writes them when the sheet is confirmed; a page never shown writes nothing.
class PropertyPage : public QWidget {
    Q_OBJECT
public:
    PropertyPage(const QString& title, PropertiesContext& context, QWidget* parent = nullptr);

    const QString& title() const { return m_title; }
    bool isLoaded() const { return m_loaded; }
    // Loads the page once, the first time it is needed.
    void ensureLoaded();

    // What is wrong with the page's values, or empty when they can be saved; the sheet shows the
    // text and keeps the page open.
    virtual QString problem() const { return {}; }
    virtual void save() = 0;

protected:
    virtual void load() = 0;
    PropertiesContext& context() const { return m_context; }
    SettingsStore& settings() const { return m_context.settings; }

private:
    QString m_title;
    PropertiesContext& m_context;
    bool m_loaded = false;
};
