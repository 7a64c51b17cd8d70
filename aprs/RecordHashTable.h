#pragma once

#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <vector>

class StationRecord;

// Station records filed under 32-bit hashes, several records per hash allowed, in one flat
// open-addressing table with linear probing. A look-up usually touches a single cache line of the
// table; with 100,000 stations that is what keeps the cost per monitor line flat.
class RecordHashTable {
public:
    void insert(uint32_t hash, StationRecord* record);
    // Takes out the entry (hash, record); false when there is none.
    bool erase(uint32_t hash, const StationRecord* record);
    bool contains(uint32_t hash, const StationRecord* record) const;
    // Calls visit(record) for every record filed under hash.
    template <typename Visit> void forEach(uint32_t hash, Visit&& visit) const {
        if (m_slots.empty()) return;
        for (size_t i = hash & m_mask; m_slots[i].record; i = (i + 1) & m_mask)
            if (m_slots[i].hash == hash) visit(m_slots[i].record);
    }
    // Asks for the table line a look-up of hash starts at, ahead of the look-up.
    void prefetch(uint32_t hash) const {
        if (!m_slots.empty()) __builtin_prefetch(&m_slots[hash & m_mask]);
    }
    void clear();
    size_t size() const { return m_count; }

private:
    struct Slot {
        uint32_t hash = 0;
        StationRecord* record = nullptr; // nullptr: empty
    };
    void grow();

    std::vector<Slot> m_slots;
    size_t m_mask = 0;
    size_t m_count = 0;
};

// The hash a call sign is filed under (FNV-1a over the UTF-16 units, then mixed so that the low
// bits that pick the table slot depend on every character).
uint32_t callSignHash(QStringView call);
// The hash a record's address is filed under.
uint32_t recordAddressHash(const StationRecord* record);
