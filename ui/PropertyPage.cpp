#include "ui/PropertyPage.h"

PropertyPage::PropertyPage(const QString& title, PropertiesContext& context, QWidget* parent)
    : QWidget(parent), m_title(title), m_context(context) {}

void PropertyPage::ensureLoaded() {
    if (m_loaded) return;
    m_loaded = true;
    load();
}
