// Expressions as they stand in interface declarations: constant values,
// bounds, case labels, message numbers, property indexes and defaults. They
// are read, never evaluated or recorded, and behave alike in every pass. A
// name takes at most one selector and no rule reads an argument list, so an
// expression ends before a second period or the "(" of a call.
#include "parser.h"

namespace corvanet {
namespace {

bool IsRelationalOperator(TTokenKind K) {
    switch (K) {
    case tkEqual: case tkNotEqual: case tkLess: case tkLessEqual:
    case tkGreater: case tkGreaterEqual: case tkIn: case tkIs:
        return true;
    default:
        return false;
    }
}

bool IsAddingOperator(TTokenKind K) {
    return K == tkPlus || K == tkMinus || K == tkOr || K == tkXor;
}

bool IsMultiplyingOperator(TTokenKind K) {
    switch (K) {
    case tkStar: case tkSlash: case tkAnd: case tkAs:
    case tkDiv: case tkMod: case tkShl: case tkShr:
        return true;
    default:
        return false;
    }
}

bool IsLiteral(TTokenKind K) {
    return K == tkIntNumber || K == tkRealNumber || K == tkQuotedString || K == tkNil;
}

}  // namespace

// Expression = SimpleExpression [RelOp SimpleExpression]
// At most one relational operator: a second one ends the expression.
TParseResult TParser::ReadExpression() {
    if (ReadSimpleExpression() != prParsed) return prAbsent;
    if (IsRelationalOperator(Kind())) {
        Read();
        if (ReadSimpleExpression() != prParsed) return prFailed;
    }
    return prParsed;
}

// SimpleExpression = Term {AddOp Term}
// A broken first operand gives prAbsent although tokens were read; callers
// that try alternatives rely on that.
TParseResult TParser::ReadSimpleExpression() { return ReadOperands(&TParser::ReadTerm, IsAddingOperator); }

// Term = Factor {MulOp Factor}
TParseResult TParser::ReadTerm() { return ReadOperands(&TParser::ReadFactor, IsMultiplyingOperator); }

TParseResult TParser::ReadOperands(TRule Operand, bool (*IsOperator)(TTokenKind)) {
    if ((this->*Operand)() != prParsed) return prAbsent;
    while (IsOperator(Kind())) {
        Read();
        if ((this->*Operand)() != prParsed) return prFailed;
    }
    return prParsed;
}

// Factor = "(" Expression ")" | ("not"|"+"|"-") Factor | Designator | Literal
//        | SetConstructor | "@" identifier
TParseResult TParser::ReadFactor() {
    const TNesting Nesting(*this);
    if (Nesting.TooDeep()) return prFailed;
    if (Accept(tkLParen)) {
        if (ReadExpression() != prParsed || !Accept(tkRParen)) return prFailed;
        return prParsed;
    }
    if (Kind() == tkNot || Kind() == tkPlus || Kind() == tkMinus) {
        Read();
        return ReadFactor() == prParsed ? prParsed : prFailed;
    }
    if (TParseResult R = ReadDesignator(); R != prAbsent) return R;
    if (IsLiteral(Kind())) {
        Read();
        return prParsed;
    }
    if (TParseResult R = ReadSetConstructor(); R != prAbsent) return R;
    if (Accept(tkAt)) {
        if (Modern()) return ReadDesignator() == prParsed ? prParsed : prFailed;
        return Accept(tkIdentifier) ? prParsed : prFailed;
    }
    return prAbsent;
}

// Designator = identifier [Selector]   (one selector only)
// The modern dialect takes any number of selectors, calls among them
// (SizeOf(T), TFoo.Create(1).Bar), and "inherited" as a name.
TParseResult TParser::ReadDesignator() {
    if (Modern() && Kind() == tkInherited) Read();
    else if (!Accept(tkIdentifier)) return prAbsent;
    if (!Modern()) return ReadSelector() == prFailed ? prFailed : prParsed;
    for (;;) {
        if (Accept(tkLParen)) {
            if (Accept(tkRParen)) continue;
            if (ReadListRest(&TParser::ReadExpression, tkComma, tkRParen) != prParsed) return prFailed;
            continue;
        }
        const TParseResult R = ReadSelector();
        if (R == prAbsent) return prParsed;
        if (R == prFailed) return prFailed;
    }
}

// Selector = "^" | "[" Expression {"," Expression} "]" | "." identifier
TParseResult TParser::ReadSelector() {
    if (Accept(tkCaret)) return prParsed;
    if (Accept(tkLBracket)) return ReadListRest(&TParser::ReadExpression, tkComma, tkRBracket);
    if (Accept(tkPeriod)) return Accept(tkIdentifier) ? prParsed : prFailed;
    return prAbsent;
}

// SetConstructor = "[" [SetElement {"," SetElement}] "]"
TParseResult TParser::ReadSetConstructor() {
    if (!Accept(tkLBracket)) return prAbsent;
    if (Accept(tkRBracket)) return prParsed;
    return ReadListRest(&TParser::ReadSetElement, tkComma, tkRBracket);
}

// SetElement = Expression [".." Expression]
TParseResult TParser::ReadSetElement() {
    if (ReadExpression() != prParsed) return prFailed;
    if (Accept(tkRange) && ReadExpression() != prParsed) return prFailed;
    return prParsed;
}

// The lists of the grammar (parameters, indexes, enumerations, constants)
// share this shape; their opening token is read by the caller.
TParseResult TParser::ReadListRest(TRule Item, TTokenKind Separator, TTokenKind Close) {
    for (;;) {
        if ((this->*Item)() != prParsed) return prFailed;
        if (Accept(Close)) return prParsed;
        if (!Accept(Separator)) return prFailed;
    }
}

}  // namespace corvanet
