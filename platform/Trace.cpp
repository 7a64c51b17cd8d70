#include "platform/Trace.h"

#include <atomic>
#include <cstdio>

namespace Trace {
namespace {
std::atomic<bool> g_enabled{false};
}
void setEnabled(bool e) {
    g_enabled = e;
}
bool enabled() {
    return g_enabled;
}
void write(const QString& text) {
    if (!g_enabled) return;
    const QByteArray bytes = text.toUtf8();
    std::fprintf(stderr, "%s\n", bytes.constData());
}
} // namespace Trace
