// The hash index behind unit and visible-symbol lookups, against a linear
// first-match search of the same keys. The hashes are the real one and
// degenerate ones (all equal, all in one slot, few values), so probing past
// foreign entries, wrapping round the end of the table and growing with
// collisions are all exercised.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "compare.h"
#include "folded_index.h"

namespace corvanet {
namespace {

// Few letters in both cases, so keys repeat and differ only in case.
std::string RandomKey(std::mt19937& Random) {
    static constexpr std::string_view Letters = "abAB_1";
    std::string key(1 + Random() % 4, ' ');
    for (char& c : key) c = Letters[Random() % Letters.size()];
    return key;
}

struct THashing {
    const char* Name;
    std::function<std::uint64_t(std::string_view)> Hash;
};

const THashing Hashings[] = {
    {"folded", [](std::string_view Key) { return FoldedHash(Key); }},
    {"all zero", [](std::string_view) { return std::uint64_t{0}; }},
    {"all ones", [](std::string_view) { return ~std::uint64_t{0}; }},  // the last slot: probes wrap
    {"one slot", [](std::string_view Key) { return FoldedHash(Key) << 40; }},  // distinct, same slot
    {"two values", [](std::string_view Key) { return FoldedHash(Key) & 1; }},
};

// Keys entered in order, as the symbol table enters names in list order.
class TIndexedKeys {
public:
    explicit TIndexedKeys(const THashing& Hashing) : hashing_(Hashing) {}

    bool Enter(const std::string& Key) {
        keys_.push_back(Key);
        return index_.Insert(hashing_.Hash(Key), keys_.size() - 1, Named(Key));
    }

    std::uint64_t Find(std::string_view Key) const { return index_.Find(hashing_.Hash(Key), Named(Key)); }

    // Position of the first key equal to Key, or NoValue.
    std::uint64_t FirstMatch(std::string_view Key) const {
        for (std::size_t k = 0; k < keys_.size(); ++k)
            if (SameText(keys_[k], Key)) return k;
        return TFoldedIndex::NoValue;
    }

    std::size_t DistinctKeys() const {
        std::size_t distinct = 0;
        for (std::size_t k = 0; k < keys_.size(); ++k) distinct += FirstMatch(keys_[k]) == k;
        return distinct;
    }

    std::size_t Size() const { return index_.Size(); }

    void Clear() {
        keys_.clear();
        index_.Clear();
    }

private:
    std::function<bool(std::uint64_t)> Named(std::string_view Key) const {
        return [this, Key](std::uint64_t Entry) { return SameText(keys_.at(Entry), Key); };
    }

    const THashing& hashing_;
    std::vector<std::string> keys_;
    TFoldedIndex index_;
};

TEST(FoldedIndexTest, AnswersTheFirstEnteredOfEqualKeysLikeALinearSearch) {
    for (const THashing& hashing : Hashings) {
        SCOPED_TRACE(hashing.Name);
        std::mt19937 rng(3);
        TIndexedKeys keys(hashing);
        for (int round = 0; round < 3; ++round) {
            const int count = round == 1 ? 0 : 1 + static_cast<int>(rng() % 600);
            for (int k = 0; k < count; ++k) {
                const std::string key = RandomKey(rng);
                const bool isNew = keys.FirstMatch(key) == TFoldedIndex::NoValue;
                ASSERT_EQ(keys.Enter(key), isNew) << key;
                // Now and then a look-up between the entries, while the table grows.
                if (k % 7 == 0) {
                    const std::string probe = RandomKey(rng);
                    ASSERT_EQ(keys.Find(probe), keys.FirstMatch(probe)) << probe;
                }
            }
            EXPECT_EQ(keys.Size(), keys.DistinctKeys());
            for (int probe = 0; probe < 500; ++probe) {
                const std::string key = RandomKey(rng);
                ASSERT_EQ(keys.Find(key), keys.FirstMatch(key)) << key;
            }
            keys.Clear();
            EXPECT_EQ(keys.Size(), 0u);
            EXPECT_EQ(keys.Find("a"), TFoldedIndex::NoValue);
        }
    }
}

TEST(FoldedIndexTest, NamesDifferingOnlyInCaseAreOneKey) {
    for (const THashing& hashing : Hashings) {
        SCOPED_TRACE(hashing.Name);
        TIndexedKeys keys(hashing);
        EXPECT_TRUE(keys.Enter("Twin"));
        EXPECT_TRUE(keys.Enter("Other"));
        EXPECT_FALSE(keys.Enter("TWIN"));
        EXPECT_FALSE(keys.Enter("twin"));
        EXPECT_TRUE(keys.Enter("Twins"));
        EXPECT_TRUE(keys.Enter("Tw_n"));  // '_' is no folded 'N'
        for (const char* spelling : {"twin", "TWIN", "tWiN"}) EXPECT_EQ(keys.Find(spelling), 0u) << spelling;
        EXPECT_EQ(keys.Find("twins"), 4u);
        EXPECT_EQ(keys.Find("TW_N"), 5u);
        EXPECT_EQ(keys.Find("twi"), TFoldedIndex::NoValue);
        EXPECT_EQ(keys.Size(), 4u);
    }
}

// Room made in advance keeps every entry: growing moves slots by their hash,
// which for equal hashes must not lose or reorder anything that answers.
TEST(FoldedIndexTest, ReservingBetweenEntriesKeepsThemAll) {
    for (const THashing& hashing : Hashings) {
        SCOPED_TRACE(hashing.Name);
        TFoldedIndex index;
        std::vector<std::string> keys;
        const auto named = [&](std::string_view Key) {
            return [&keys, Key](std::uint64_t Entry) { return keys.at(Entry) == Key; };
        };
        for (int k = 0; k < 300; ++k) {
            keys.push_back("key" + std::to_string(k));
            ASSERT_TRUE(index.Insert(hashing.Hash(keys.back()), keys.size() - 1, named(keys.back())));
            if (k % 50 == 0) index.Reserve(index.Size() + 100 + static_cast<std::size_t>(k));
        }
        for (std::size_t k = 0; k < keys.size(); ++k)
            ASSERT_EQ(index.Find(hashing.Hash(keys[k]), named(keys[k])), k) << keys[k];
        EXPECT_EQ(index.Find(hashing.Hash("key300"), named("key300")), TFoldedIndex::NoValue);
    }
}

}  // namespace
}  // namespace corvanet
