#include "compare.h"

#include "unaligned.h"

namespace corvanet {
namespace {

constexpr std::uint64_t EveryByte(unsigned char Byte) noexcept { return 0x0101010101010101ull * Byte; }

// LowerAscii on the eight bytes of a word at once: a byte in 'A'..'Z' gets its
// 0x20 bit set, every other byte stays. The sums look at the low seven bits
// of each byte only, so none carries into the next byte.
constexpr std::uint64_t FoldWord(std::uint64_t Word) noexcept {
    const std::uint64_t low7 = Word & EveryByte(0x7F);
    const std::uint64_t fromA = low7 + EveryByte(0x80 - 'A');      // high bit set from 'A' on
    const std::uint64_t pastZ = low7 + EveryByte(0x80 - 'Z' - 1);  // high bit set past 'Z'
    const std::uint64_t capitals = fromA & ~pastZ & ~Word & EveryByte(0x80);
    return Word | (capitals >> 2);
}

// One word into the running hash: the multiply spreads every bit upwards, the
// shift brings the high half down for the next word.
constexpr std::uint64_t Absorb(std::uint64_t Hash, std::uint64_t Word) noexcept {
    Hash = (Hash ^ Word) * 0x9E3779B97F4A7C15ull;
    return Hash ^ (Hash >> 32);
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) noexcept {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto cb = static_cast<unsigned char>(LowerAscii(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// Equality needs no order, so it compares folded words where it can.
bool SameText(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    std::size_t i = 0;
    for (; i + 8 <= a.size(); i += 8) {
        const std::uint64_t wordA = Load<std::uint64_t>(a.data() + i);
        const std::uint64_t wordB = Load<std::uint64_t>(b.data() + i);
        if (wordA != wordB && FoldWord(wordA) != FoldWord(wordB)) return false;
    }
    for (; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

void LowerAscii(char* From, char* To) noexcept {
    for (; From < To; ++From) *From = LowerAscii(*From);
}

void LowerAscii(std::string_view s, std::string& Out) {
    Out.assign(s);
    LowerAscii(Out.data(), Out.data() + Out.size());
}

std::string LowerAscii(std::string_view s) {
    std::string out;
    LowerAscii(s, out);
    return out;
}

// Eight bytes at a time, which for most identifiers is once or twice. The last
// one to eight bytes are read as two overlapping halves, or below four as the
// first, middle and last byte; the words to mix still tell apart any two keys
// of one length whose folded bytes differ, and the length is hashed first.
std::uint64_t FoldedHash(std::string_view Key) noexcept {
    const char* p = Key.data();
    std::size_t rest = Key.size();
    std::uint64_t hash = Absorb(0xCBF29CE484222325ull, rest);
    for (; rest > 8; rest -= 8, p += 8) hash = Absorb(hash, FoldWord(Load<std::uint64_t>(p)));
    std::uint64_t last = 0;
    if (rest >= 4) {
        last = Load<std::uint32_t>(p) | std::uint64_t{Load<std::uint32_t>(p + rest - 4)} << 32;
    } else if (rest > 0) {
        last = static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[rest / 2]) << 8 |
               static_cast<unsigned char>(p[rest - 1]) << 16;
    }
    hash = Absorb(hash, FoldWord(last));
    // The finisher of MurmurHash3: every bit reaches the low bits a table index uses.
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ull;
    hash ^= hash >> 33;
    return hash;
}

}  // namespace corvanet
