// Placeholder rules (expressions) until this grammar area is written: each
// returns prAbsent, which consumes nothing.
#include "parser.h"

namespace corvanet {

TParseResult TParser::ReadExpression() { return prAbsent; }
TParseResult TParser::ReadSimpleExpression() { return prAbsent; }
TParseResult TParser::ReadTerm() { return prAbsent; }
TParseResult TParser::ReadFactor() { return prAbsent; }
TParseResult TParser::ReadDesignator() { return prAbsent; }
TParseResult TParser::ReadSelector() { return prAbsent; }
TParseResult TParser::ReadSetConstructor() { return prAbsent; }

}  // namespace corvanet
