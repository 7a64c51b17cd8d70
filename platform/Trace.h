#pragma once

#include <QString>

// Diagnostic texts ("Catch Error", "error create file!" ...). Silent unless enabled (--verbose),
// then written to standard error. Never shown to the user, never stored.
namespace Trace {
void setEnabled(bool enabled);
bool enabled();
void write(const QString& text);
} // namespace Trace
