// The parser object and the helpers every rule shares.
#include "parser.h"

#include <string>

#include "../compare.h"

namespace corvanet {

TParser::TParser(TTokenStream& Stream, TSymbolTable& Symbols, TOutputQueue& Queue)
    : stream_(Stream), symbols_(Symbols), queue_(Queue) {}

bool TParser::IsWord(std::string_view Word) const noexcept {
    return Kind() == tkIdentifier && SameText(Text(), Word);
}

std::string TParser::SymbolAnchor(std::string_view Name) const {
    std::string s = symbols_.CurrentUnit;
    s += '_';
    s += Name;
    return s;
}

std::string TParser::SymbolAnchor(std::string_view ClassName, std::string_view Name) const {
    std::string s = symbols_.CurrentUnit;
    s += '_';
    s += ClassName;
    s += '_';
    s += Name;
    return s;
}

}  // namespace corvanet
