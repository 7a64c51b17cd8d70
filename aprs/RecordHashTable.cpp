#include "aprs/RecordHashTable.h"

namespace {

constexpr size_t kInitialSlots = 64;

uint32_t mix32(uint32_t h) {
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

} // namespace

void RecordHashTable::insert(uint32_t hash, StationRecord* record) {
    // At most half full, so probe runs stay short.
    if (2 * (m_count + 1) > m_slots.size()) grow();
    size_t i = hash & m_mask;
    while (m_slots[i].record) i = (i + 1) & m_mask;
    m_slots[i] = Slot{hash, record};
    ++m_count;
}

bool RecordHashTable::erase(uint32_t hash, const StationRecord* record) {
    if (m_slots.empty()) return false;
    size_t i = hash & m_mask;
    while (m_slots[i].record && !(m_slots[i].hash == hash && m_slots[i].record == record))
        i = (i + 1) & m_mask;
    if (!m_slots[i].record) return false;
    // Backward-shift deletion: pull later entries of the run into the hole when their home slot
    // allows it, so no tombstones accumulate.
    size_t hole = i;
    for (size_t j = (hole + 1) & m_mask; m_slots[j].record; j = (j + 1) & m_mask) {
        const size_t home = m_slots[j].hash & m_mask;
        const bool homeInHoleToJ = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
        if (homeInHoleToJ) continue;
        m_slots[hole] = m_slots[j];
        hole = j;
    }
    m_slots[hole] = Slot{};
    --m_count;
    return true;
}

bool RecordHashTable::contains(uint32_t hash, const StationRecord* record) const {
    bool found = false;
    forEach(hash, [&](const StationRecord* r) { found = found || r == record; });
    return found;
}

void RecordHashTable::clear() {
    m_slots.clear();
    m_mask = 0;
    m_count = 0;
}

void RecordHashTable::grow() {
    std::vector<Slot> old;
    old.swap(m_slots);
    const size_t size = old.empty() ? kInitialSlots : 2 * old.size();
    m_slots.assign(size, Slot{});
    m_mask = size - 1;
    m_count = 0;
    for (const Slot& s : old)
        if (s.record) insert(s.hash, s.record);
}

uint32_t callSignHash(QStringView call) {
    uint32_t h = 2166136261u;
    for (QChar c : call) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    return mix32(h);
}

uint32_t recordAddressHash(const StationRecord* record) {
    const auto a = reinterpret_cast<uintptr_t>(record);
    return mix32(static_cast<uint32_t>(a >> 4) ^ static_cast<uint32_t>(static_cast<uint64_t>(a) >> 32));
}
