// Placeholder rules (identifier references and hyperlinks) until this grammar area is written: each
// returns prAbsent, which consumes nothing.
#include "parser.h"

namespace corvanet {

TParseResult TParser::ReadProcedureHeading() { return prAbsent; }
TParseResult TParser::ReadFunctionHeading() { return prAbsent; }
TParseResult TParser::ReadConstructorHeading() { return prAbsent; }
TParseResult TParser::ReadDestructorHeading() { return prAbsent; }
TParseResult TParser::ReadAncestors() { return prAbsent; }
TParseResult TParser::LinkIdentifier() { return prAbsent; }

}  // namespace corvanet
