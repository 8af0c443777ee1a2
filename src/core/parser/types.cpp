// Placeholder rules (structured types and members) until this grammar area is written: each
// returns prAbsent, which consumes nothing.
#include "parser.h"

namespace corvanet {

TParseResult TParser::ReadStructuredType() { return prAbsent; }
TParseResult TParser::ReadArrayType() { return prAbsent; }
TParseResult TParser::ReadRecordType() { return prAbsent; }
TParseResult TParser::ReadFieldList() { return prAbsent; }
TParseResult TParser::ReadFixedFields() { return prAbsent; }
TParseResult TParser::ReadVariantPart() { return prAbsent; }
TParseResult TParser::ReadVariant() { return prAbsent; }
TParseResult TParser::ReadSetType() { return prAbsent; }
TParseResult TParser::ReadFileType() { return prAbsent; }
TParseResult TParser::ReadClassType() { return prAbsent; }
TParseResult TParser::ReadClassMembers() { return prAbsent; }
TParseResult TParser::ReadFieldDeclaration() { return prAbsent; }
TParseResult TParser::ReadMethodDeclaration() { return prAbsent; }
TParseResult TParser::ReadMethodHeading() { return prAbsent; }
TParseResult TParser::ReadMethodDirectives() { return prAbsent; }
TParseResult TParser::ReadProperty() { return prAbsent; }
TParseResult TParser::ReadPropertySpecifiers() { return prAbsent; }
TParseResult TParser::ReadVisibilityWord() { return prAbsent; }

}  // namespace corvanet
