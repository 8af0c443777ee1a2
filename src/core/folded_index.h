// An open-addressing hash index for the symbol table's name lookups. It holds
// no strings: each entry is a key's FoldedHash with a value the owner chooses
// (where in its lists the key is), and the owner tells, through a predicate on
// a value, whether that entry's key equals the one in question. Of several
// equal keys only the first entered is kept, so entering keys in list order
// gives the first match of a linear search. A lookup hashes only the probe,
// and compares strings only where the full 64-bit hashes agree. Most names
// looked up are in no table (a unit name is asked for every identifier of
// pass 2), so a bitmap of eight bits per slot, a sixteenth of the slots' room,
// turns away most of those before a slot, often out of the cache, is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace corvanet {

class TFoldedIndex {
public:
    // Marks an empty slot; never entered as a value.
    static constexpr std::uint64_t NoValue = std::numeric_limits<std::uint64_t>::max();

    TFoldedIndex() : slots_(MinSlots), filter_(MinSlots * FilterBitsPerSlot / 64) {}

    std::size_t Size() const noexcept { return used_; }

    // The value of the entry with this hash whose key SameKey(value) accepts,
    // or NoValue.
    template <class Same>
    std::uint64_t Find(std::uint64_t Hash, Same&& SameKey) const {
        if (!MayHold(Hash)) return NoValue;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = Hash & mask; slots_[i].Value != NoValue; i = (i + 1) & mask)
            if (slots_[i].Hash == Hash && SameKey(slots_[i].Value)) return slots_[i].Value;
        return NoValue;
    }

    // Enters Value under Hash unless an entry whose key SameKey accepts is
    // there already: that one stays the answer. True when entered.
    template <class Same>
    bool Insert(std::uint64_t Hash, std::uint64_t Value, Same&& SameKey) {
        Reserve(used_ + 1);
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = Hash & mask;
        for (; slots_[i].Value != NoValue; i = (i + 1) & mask)
            if (slots_[i].Hash == Hash && SameKey(slots_[i].Value)) return false;
        slots_[i] = TSlot{Hash, Value};
        Mark(Hash);
        ++used_;
        return true;
    }

    // Room for Entries keys with the table at most half full. The keys in it
    // are all distinct, so moving them needs neither the strings nor any order.
    void Reserve(std::size_t Entries) {
        std::size_t size = slots_.size();
        while (size < 2 * Entries) size *= 2;
        if (size == slots_.size()) return;
        std::vector<TSlot> old(size);
        old.swap(slots_);
        filter_.assign(size * FilterBitsPerSlot / 64, 0);
        const std::size_t mask = size - 1;
        for (const TSlot& slot : old) {
            if (slot.Value == NoValue) continue;
            std::size_t i = slot.Hash & mask;
            while (slots_[i].Value != NoValue) i = (i + 1) & mask;
            slots_[i] = slot;
            Mark(slot.Hash);
        }
    }

    void Clear() {
        slots_ = std::vector<TSlot>(MinSlots);
        filter_.assign(MinSlots * FilterBitsPerSlot / 64, 0);
        used_ = 0;
    }

private:
    static constexpr std::size_t MinSlots = 16;
    static constexpr std::size_t FilterBitsPerSlot = 8;

    // The filter's bit for a hash comes from its high half; the slot from its
    // low bits, so the two tell apart different sets of keys.
    std::size_t FilterBit(std::uint64_t Hash) const noexcept {
        return static_cast<std::size_t>(Hash >> 32) & (filter_.size() * 64 - 1);
    }
    bool MayHold(std::uint64_t Hash) const noexcept {
        const std::size_t bit = FilterBit(Hash);
        return (filter_[bit / 64] >> (bit % 64) & 1) != 0;
    }
    void Mark(std::uint64_t Hash) noexcept {
        const std::size_t bit = FilterBit(Hash);
        filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }

    struct TSlot {
        std::uint64_t Hash = 0;
        std::uint64_t Value = NoValue;
    };

    std::vector<TSlot> slots_;  // size a power of two
    std::vector<std::uint64_t> filter_;  // FilterBitsPerSlot bits per slot, set for every key entered
    std::size_t used_ = 0;
};

}  // namespace corvanet
