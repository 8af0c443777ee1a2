// The claims of a block of a parallel pass: the block's reader from the
// front, the next block's helper from the back, never both the same unit and
// never a group of same-name units split between them.
#include <gtest/gtest.h>

#include <vector>

#include "claims.h"

namespace corvanet {
namespace {

TEST(Claims, FrontAndBackMeetWithoutSharingAUnitOrSplittingAGroup) {
    // Units 2..9 of a block; units 5-6 and 8-9 are groups of one name.
    std::vector<bool> Joined(10, false);
    Joined[6] = Joined[9] = true;
    TClaims Claims(2, 10);
    int From = 0, To = 0;
    ASSERT_TRUE(Claims.TakeBack(Joined, From, To));
    EXPECT_EQ(From, 8);  // the whole group
    EXPECT_EQ(To, 10);
    EXPECT_TRUE(Claims.TakeFront(2));
    EXPECT_TRUE(Claims.TakeFront(3));
    ASSERT_TRUE(Claims.TakeBack(Joined, From, To));
    EXPECT_EQ(From, 7);
    EXPECT_EQ(To, 8);
    EXPECT_TRUE(Claims.TakeFront(4));
    EXPECT_TRUE(Claims.TakeFront(5));
    // Unit 6 is in the group the reader began: not for the back.
    EXPECT_FALSE(Claims.TakeBack(Joined, From, To));
    EXPECT_TRUE(Claims.TakeFront(6));
    EXPECT_FALSE(Claims.TakeFront(7));  // taken from the back
    EXPECT_FALSE(Claims.TakeBack(Joined, From, To));
}

TEST(Claims, EveryUnitOnceWhateverTheOrderOfTurns) {
    // Both sides take turns in every pattern of eight turns; together they
    // take each unit exactly once, the front in order from the start.
    std::vector<bool> Joined(8, false);
    Joined[3] = Joined[4] = true;  // 2-3-4 is one group
    for (int Pattern = 0; Pattern < 256; ++Pattern) {
        TClaims Claims(0, 8);
        std::vector<int> Taken(8, 0);
        int Front = 0;
        for (int Turn = 0; Turn < 16; ++Turn) {
            if (Turn < 8 && (Pattern >> Turn & 1) == 0) {
                if (Claims.TakeFront(Front)) ++Taken[static_cast<std::size_t>(Front++)];
            } else {
                int From = 0, To = 0;
                if (Claims.TakeBack(Joined, From, To)) {
                    EXPECT_FALSE(Joined[static_cast<std::size_t>(From)]) << Pattern;
                    for (int Unit = From; Unit < To; ++Unit) ++Taken[static_cast<std::size_t>(Unit)];
                }
            }
        }
        while (Claims.TakeFront(Front)) ++Taken[static_cast<std::size_t>(Front++)];
        for (int Unit = 0; Unit < 8; ++Unit) EXPECT_EQ(Taken[static_cast<std::size_t>(Unit)], 1) << Pattern << " unit " << Unit;
        // The group went to one side.
        EXPECT_TRUE(Front <= 2 || Front >= 5) << Pattern;
    }
}

}  // namespace
}  // namespace corvanet
