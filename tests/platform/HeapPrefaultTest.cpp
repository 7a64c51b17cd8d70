#include "platform/HeapPrefault.h"

#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

TEST(HeapPrefault, FaultingInFromAnotherThreadLeavesTheHeapAsItIs) {
    // The allocating thread writes while the other faults in what lies past its use: every byte
    // stays as written, and what is allocated afterwards works as any heap memory.
    HeapPrefault prefault(false, 8u << 20, 2u << 20);
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int round = 0; round < 20; ++round) {
        const HeapPrefault::Mark mark = HeapPrefault::mark();
        EXPECT_LE(mark.used, mark.end);
        std::thread helper([&] { prefault.populate(mark); });
        for (int i = 0; i < 200; ++i) {
            auto block = std::make_unique<char[]>(1000);
            for (int j = 0; j < 1000; ++j) block[j] = static_cast<char>(round + i + j);
            blocks.push_back(std::move(block));
        }
        helper.join();
    }
    for (size_t n = 0; n < blocks.size(); ++n) {
        const int round = static_cast<int>(n / 200), i = static_cast<int>(n % 200);
        for (int j = 0; j < 1000; j += 97) ASSERT_EQ(blocks[n][j], static_cast<char>(round + i + j)) << n;
    }
}
