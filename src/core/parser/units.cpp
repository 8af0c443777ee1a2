// Placeholder rules (unit structure and uses clauses) until this grammar area is written: each
// returns prAbsent, which consumes nothing.
#include "parser.h"

namespace corvanet {

TParseResult TParser::ReadProjectUses() { return prAbsent; }
TParseResult TParser::ReadProjectUnits() { return prAbsent; }
TParseResult TParser::ReadUnitHeading() { return prAbsent; }
TParseResult TParser::ReadInterfaceSection() { return prAbsent; }
TParseResult TParser::ReadUsesClause() { return prAbsent; }
TParseResult TParser::ReadUsedUnits() { return prAbsent; }
TParseResult TParser::ReadIdentList() { return prAbsent; }

}  // namespace corvanet
