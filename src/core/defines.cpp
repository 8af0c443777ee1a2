// The conditional symbols in force: an unsorted list, duplicates allowed,
// names compared with SameText as whole strings (blanks are significant).
#include "defines.h"

#include <algorithm>

#include "compare.h"

namespace corvanet {

// Names are counted folded to lower case: names SameText calls equal fold alike.
int& TDefines::CountOf(std::string_view Name) {
    LowerAscii(Name, folded_);
    return counts_[folded_];
}

void TDefines::AddDefine(std::string_view Name) {
    items_.emplace_back(Name);
    ++CountOf(Name);
}

// Removing a name that is not defined is harmless: valid sources UNDEF names
// that were never defined.
void TDefines::RemoveDefine(std::string_view Name) {
    int& Count = CountOf(Name);
    if (Count == 0) return;
    --Count;
    const auto it = std::find_if(items_.begin(), items_.end(),
                                 [&](const std::string& item) { return SameText(item, Name); });
    items_.erase(it);
}

int TDefines::Count(std::string_view Name) const {
    LowerAscii(Name, folded_);
    const auto it = counts_.find(folded_);
    return it == counts_.end() ? 0 : it->second;
}

bool TDefines::IsDefined(std::string_view Name) const { return Count(Name) > 0; }

void TDefines::ClearDefines() {
    items_.clear();
    counts_.clear();
}

void TDefines::LoadDefines(std::string_view Text) {
    ClearDefines();
    std::size_t start = 0;
    while (start < Text.size()) {
        const std::size_t stop = std::min(Text.find(';', start), Text.size());
        if (stop > start) AddDefine(Text.substr(start, stop - start));
        start = stop + 1;
    }
}

namespace {

// The events [From, To) applied to Defines in order; with CheckQueries, false
// as soon as a query is answered otherwise than recorded.
bool ApplyEvents(const std::vector<TDefineEvent>& Events, TDefines& Defines, std::size_t From, std::size_t To,
                 bool CheckQueries) {
    for (std::size_t i = From; i < To && i < Events.size(); ++i) {
        const TDefineEvent& Event = Events[i];
        switch (Event.Op) {
            case TDefineEvent::Define: Defines.AddDefine(Event.Name); break;
            case TDefineEvent::Undefine: Defines.RemoveDefine(Event.Name); break;
            case TDefineEvent::Query:
                if (CheckQueries && Defines.IsDefined(Event.Name) != Event.Answer) return false;
                break;
        }
    }
    return true;
}

}  // namespace

bool TDefineJournal::Replay(TDefines& Defines, std::size_t From, std::size_t To) const {
    return ApplyEvents(Events, Defines, From, To, true);
}

void TDefineJournal::Apply(TDefines& Defines, std::size_t From, std::size_t To) const {
    ApplyEvents(Events, Defines, From, To, false);
}

bool TDefineJournal::Agrees(const TDefines& Defines, std::size_t From, std::size_t To) const {
    std::unordered_map<std::string, int> Change;  // per folded name, what the events did to its count
    std::string Folded;
    for (std::size_t i = From; i < To && i < Events.size(); ++i) {
        const TDefineEvent& Event = Events[i];
        LowerAscii(Event.Name, Folded);
        int& Delta = Change[Folded];
        const int Now = Defines.Count(Event.Name) + Delta;
        switch (Event.Op) {
            case TDefineEvent::Define: ++Delta; break;
            case TDefineEvent::Undefine: if (Now > 0) --Delta; break;
            case TDefineEvent::Query:
                if ((Now > 0) != Event.Answer) return false;
                break;
        }
    }
    return true;
}

}  // namespace corvanet
