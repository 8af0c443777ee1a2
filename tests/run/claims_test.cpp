// The claims of a block of a parallel pass: the block's reader from the
// front, a helper from the back by halves, never both the same unit and
// never a group of same-name units split between them.
#include <gtest/gtest.h>

#include <vector>

#include "claims.h"

namespace corvanet {
namespace {

TEST(Claims, FrontAndBackMeetWithoutSharingAUnitOrSplittingAGroup) {
    // Units 2..13 of a block; units 6-7, 9-11 and 12-13 are groups of one name.
    std::vector<bool> Joined(14, false);
    Joined[7] = Joined[10] = Joined[11] = Joined[13] = true;
    TClaims Claims(2, 14);
    int From = 0, To = 0;
    ASSERT_TRUE(Claims.TakeBack(Joined, From, To));
    EXPECT_EQ(From, 8);  // the back half, 8..13
    EXPECT_EQ(To, 14);
    EXPECT_TRUE(Claims.TakeFront(2));
    EXPECT_TRUE(Claims.TakeFront(3));
    ASSERT_TRUE(Claims.TakeBack(Joined, From, To));
    EXPECT_EQ(From, 6);  // half of 4..7 cuts the group 6-7: it goes whole
    EXPECT_EQ(To, 8);
    EXPECT_TRUE(Claims.TakeFront(4));
    ASSERT_TRUE(Claims.TakeBack(Joined, From, To));
    EXPECT_EQ(From, 5);  // the last unit left
    EXPECT_FALSE(Claims.TakeFront(5));  // taken from the back
    EXPECT_FALSE(Claims.TakeBack(Joined, From, To));
}

TEST(Claims, AGroupTheReaderBeganStaysWithIt) {
    // Units 0..7; 3-6 is one group, and the reader has taken 3.
    std::vector<bool> Joined(8, false);
    Joined[4] = Joined[5] = Joined[6] = true;
    TClaims Claims(0, 8);
    for (int Unit = 0; Unit <= 3; ++Unit) EXPECT_TRUE(Claims.TakeFront(Unit));
    int From = 0, To = 0;
    ASSERT_TRUE(Claims.TakeBack(Joined, From, To));
    EXPECT_EQ(From, 7);  // half of 4..7 falls in the group: cut after it
    EXPECT_EQ(To, 8);
    EXPECT_FALSE(Claims.TakeBack(Joined, From, To));  // 4..6 finish the reader's group
    for (int Unit = 4; Unit <= 6; ++Unit) EXPECT_TRUE(Claims.TakeFront(Unit));
    EXPECT_FALSE(Claims.TakeFront(7));
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
