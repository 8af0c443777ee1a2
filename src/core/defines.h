// The conditional symbols in force. An unsorted list with duplicates allowed;
// names compare with the project's case-insensitive comparison, whole strings,
// blanks significant.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace corvanet {

class TDefines {
public:
    void AddDefine(std::string_view Name);     // appended even if already there
    void RemoveDefine(std::string_view Name);  // the first equal entry; absent: nothing
    bool IsDefined(std::string_view Name) const;
    void ClearDefines();
    // ClearDefines, then every maximal run of characters other than ";" is
    // added in order (runs of ";" give no empty word; blanks belong to words).
    void LoadDefines(std::string_view Text);

    const std::vector<std::string>& Items() const noexcept { return items_; }
    // How many entries equal Name.
    int Count(std::string_view Name) const;

private:
    std::vector<std::string> items_;
    // How many entries of items_ each name has, keyed by the name folded to
    // lower case: a project's units define names again and again (the list
    // of a large run grows to thousands), and every IFDEF asks, so a query
    // must not walk the list.
    std::unordered_map<std::string, int> counts_;
    mutable std::string folded_;  // a query's name folded, kept to reuse its room
    int& CountOf(std::string_view Name);
};

// What a reading did with the conditional symbols, in order. A reading begun
// from a guessed state (a helper of a parallel pass) keeps one, so that the
// guess can be checked against the true state once it is known: the reading
// is the true one exactly when every query gets the same answer again.
struct TDefineEvent {
    enum TOp : std::uint8_t { Define, Undefine, Query };
    TOp Op = Query;
    bool Answer = false;  // what a Query was answered
    std::string Name;
};

struct TDefineJournal {
    std::vector<TDefineEvent> Events;
    // Applies the events [From, To) to Defines in order; false as soon as a
    // query is answered otherwise than recorded (Defines is then part-applied).
    bool Replay(TDefines& Defines, std::size_t From, std::size_t To) const;
    // Whether Replay would return true, leaving Defines as it is: a check
    // that costs the events, not a copy of the list.
    bool Agrees(const TDefines& Defines, std::size_t From, std::size_t To) const;
    // The changes of [From, To) without asking the queries again: Replay of
    // a part that Agrees accepted.
    void Apply(TDefines& Defines, std::size_t From, std::size_t To) const;
};

}  // namespace corvanet
