// The engine's port-information answer: any text gives a bounded port list.
#include "engine/EngineFrame.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        EngineCodec::frameText(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const EnginePortList list = EngineCodec::parsePortInformation(text);
    if (list.count < 0 || list.count > EnginePortList::kMaxPorts || list.descriptions.size() != list.count)
        std::abort();
    return 0;
}
