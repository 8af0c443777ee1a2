// Placeholder rules (declarations) until this grammar area is written: each
// returns prAbsent, which consumes nothing.
#include "parser.h"

namespace corvanet {

TParseResult TParser::ReadDeclarations() { return prAbsent; }
TParseResult TParser::ReadLabelSection() { return prAbsent; }
TParseResult TParser::ReadConstSection() { return prAbsent; }
TParseResult TParser::ReadConstDeclarations() { return prAbsent; }
TParseResult TParser::ReadTypeSection() { return prAbsent; }
TParseResult TParser::ReadTypeDeclaration() { return prAbsent; }
TParseResult TParser::ReadVarSection() { return prAbsent; }
TParseResult TParser::ReadVarDeclaration() { return prAbsent; }
TParseResult TParser::ReadExportsSection() { return prAbsent; }
TParseResult TParser::ReadResourcestringSection() { return prAbsent; }
TParseResult TParser::ReadType() { return prAbsent; }
TParseResult TParser::ReadSimpleType() { return prAbsent; }
TParseResult TParser::ReadOrdinalType() { return prAbsent; }
TParseResult TParser::ReadEnumeration() { return prAbsent; }
TParseResult TParser::ReadSubrange() { return prAbsent; }
TParseResult TParser::ReadStringType() { return prAbsent; }
TParseResult TParser::ReadPointerType() { return prAbsent; }
TParseResult TParser::ReadProceduralType() { return prAbsent; }
TParseResult TParser::ReadConstValue() { return prAbsent; }
TParseResult TParser::ReadRoutineDeclaration() { return prAbsent; }
TParseResult TParser::ReadFormalParameters() { return prAbsent; }
TParseResult TParser::ReadParameterGroup() { return prAbsent; }

}  // namespace corvanet
