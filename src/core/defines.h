// The conditional symbols in force. An unsorted list with duplicates allowed;
// names compare with the project's case-insensitive comparison, whole strings,
// blanks significant.
#pragma once

#include <string>
#include <string_view>
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

private:
    std::vector<std::string> items_;
};

}  // namespace corvanet
