// The flat hash table behind the station list's look-ups, against a plain multimap.
#include "aprs/RecordHashTable.h"
#include "aprs/StationRecord.h"

#include <QSet>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace {

std::multiset<const StationRecord*> filedUnder(const RecordHashTable& table, uint32_t hash) {
    std::multiset<const StationRecord*> out;
    table.forEach(hash, [&](StationRecord* r) { out.insert(r); });
    return out;
}

TEST(RecordHashTable, InsertsAndErasesLikeAMultimapUnderHeavyCollisions) {
    // Few distinct hashes, all landing in a handful of slots, so runs wrap around the table end and
    // every erase has to shift entries back into the hole.
    std::vector<StationRecord> records(600);
    std::multimap<uint32_t, const StationRecord*> reference;
    RecordHashTable table;
    std::mt19937 rng(3);
    for (int step = 0; step < 20000; ++step) {
        StationRecord* r = &records[rng() % records.size()];
        const uint32_t hash = (rng() % 7) * 0x10000u + 0xFFFFFFF0u * (rng() % 2);
        bool present = false;
        for (auto [it, end] = reference.equal_range(hash); it != end; ++it)
            present = present || it->second == r;
        if (rng() % 3 == 0 || present) {
            EXPECT_EQ(table.erase(hash, r), present);
            for (auto [it, end] = reference.equal_range(hash); it != end; ++it)
                if (it->second == r) {
                    reference.erase(it);
                    break;
                }
        } else {
            table.insert(hash, r);
            reference.emplace(hash, r);
        }
        if (step % 97 == 0) {
            ASSERT_EQ(table.size(), reference.size());
            for (uint32_t h = 0; h < 7; ++h)
                for (uint32_t hi : {0u, 0xFFFFFFF0u}) {
                    const uint32_t key = h * 0x10000u + hi;
                    std::multiset<const StationRecord*> expected;
                    for (auto [it, end] = reference.equal_range(key); it != end; ++it)
                        expected.insert(it->second);
                    ASSERT_EQ(filedUnder(table, key), expected) << step;
                }
        }
    }
}

TEST(RecordHashTable, ContainsOnlyWhatWasFiledAndSurvivesClear) {
    StationRecord a, b;
    RecordHashTable table;
    EXPECT_FALSE(table.contains(1, &a));
    EXPECT_FALSE(table.erase(1, &a));
    table.insert(1, &a);
    EXPECT_TRUE(table.contains(1, &a));
    EXPECT_FALSE(table.contains(1, &b));
    EXPECT_FALSE(table.contains(2, &a));
    table.clear();
    EXPECT_FALSE(table.contains(1, &a));
    table.insert(1, &b);
    EXPECT_TRUE(table.contains(1, &b));
}

TEST(RecordHashTable, CallSignHashesSpreadOverTheLowBits) {
    // The table picks slots by the low bits: similar calls must not pile up in a few of them.
    QSet<uint32_t> used;
    for (int i = 0; i < 1000; ++i) used.insert(callSignHash(QStringLiteral("N0CALL-%1").arg(i)) & 1023);
    EXPECT_GT(used.size(), 550);
}

} // namespace
