// Where a value ends: each row runs one rule over a snippet and checks its
// result and the token it stopped at (the first token after what it read).
// The rules record nothing, so they run in pass 1 with no unit registered.
#include <gtest/gtest.h>

#include "fixture.h"

namespace corvanet::testing {
namespace {

using TRule = TParseResult (TParser::*)();

struct TStopCase {
    const char* Source;
    TParseResult Result;
    const char* StopsAt;  // text of the current token afterwards; "" at the end
};

void ExpectStops(TRule Rule, const std::vector<TStopCase>& Cases) {
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Source);
        TParserFixture F;
        F.Open(C.Source, 1);
        EXPECT_EQ(int((F.Parser.*Rule)()), int(C.Result));
        const bool AtEnd = F.Parser.Kind() == tkEndOfInput;
        EXPECT_EQ(AtEnd ? std::string() : F.Parser.Text(), C.StopsAt);
    }
}

TEST(ReadExpression, OperatorsAndOperands) {
    ExpectStops(&TParser::ReadExpression, {
        {"10 * 2 + 1;", prParsed, ";"},
        {"-5;", prParsed, ";"},
        {"not Done;", prParsed, ";"},
        {"'abc' + 'def';", prParsed, ";"},
        {"A and not B or C xor D shl 2 div 3 mod 4 shr 1 / 2.5;", prParsed, ";"},
        {"nil", prParsed, ""},
        {"Obj as TFoo;", prParsed, ";"},
        {"(A = B) <> (C = D);", prParsed, ";"},
        {"X in [1..3];", prParsed, ";"},
        {"Obj is TFoo;", prParsed, ";"},
        {"@Proc;", prParsed, ";"},
        {"+ - not 1;", prParsed, ";"},
    });
}

TEST(ReadExpression, WhereItEnds) {
    ExpectStops(&TParser::ReadExpression, {
        {"A = B;", prParsed, ";"},
        {"A < B < C", prParsed, "<"},            // one relational operator only
        {"R.Field;", prParsed, ";"},
        {"P^;", prParsed, ";"},
        {"M[1, 2];", prParsed, ";"},
        {"A.B.C", prParsed, "."},                // one selector per name
        {"P^^", prParsed, "^"},
        {"SizeOf(Integer)", prParsed, "("},      // no argument lists
        {"1..9", prParsed, ".."},
        {"(1, 2)", prAbsent, ","},               // a list is no expression
        {")", prAbsent, ")"},                    // nothing read
        {"", prAbsent, ""},
        {"not", prAbsent, ""},
    });
}

TEST(ReadExpression, BrokenOperands) {
    // A broken operand after an additive or multiplicative operator fails its
    // rule, which the expression turns into prAbsent; only a broken operand
    // after a relational operator gives prFailed.
    ExpectStops(&TParser::ReadExpression, {
        {"1 + ;", prAbsent, ";"},
        {"1 * ;", prAbsent, ";"},
        {"A = ;", prFailed, ";"},
        {"1 + (2", prAbsent, ""},
        {"@ 1", prAbsent, "1"},
        {"A[1", prAbsent, ""},
        {"A. 1", prAbsent, "1"},
        {"[1, ]", prAbsent, "]"},
        {"[1..]", prAbsent, "]"},
    });
    ExpectStops(&TParser::ReadSimpleExpression, {
        {"1 + ;", prFailed, ";"},
        {"1 or 2 xor ;", prFailed, ";"},
    });
    ExpectStops(&TParser::ReadTerm, {
        {"1 * ;", prFailed, ";"},
        {"1 + 2", prParsed, "+"},
    });
}

TEST(ReadSetConstructor, ElementsRangesAndEmpty) {
    ExpectStops(&TParser::ReadSetConstructor, {
        {"[A..B, C];", prParsed, ";"},
        {"[];", prParsed, ";"},
        {"[1, 2, 3]", prParsed, ""},
        {"[1 2]", prFailed, "2"},
        {"[1", prFailed, ""},
        {"1", prAbsent, "1"},
    });
}

TEST(ReadConstValue, ExpressionFirstThenNames) {
    ExpectStops(&TParser::ReadConstValue, {
        {"(1);", prParsed, ";"},
        {"(1, 2);", prAbsent, ","},  // the expression took "(" and the first value
        {"(X: 1; Y: 2);", prAbsent, ":"},
        {"(1 Name);", prParsed, ")"},  // the expression gave up before Name; a name is a value
        {"A = ;", prFailed, ";"},
        {";", prAbsent, ";"},
    });
}

TEST(ReadSubrange, BoundsAndTheirResults) {
    ExpectStops(&TParser::ReadSubrange, {
        {"1..9;", prParsed, ";"},
        {"-1..+1;", prParsed, ";"},
        {"'a'..'z';", prParsed, ";"},
        {"1 .. ;", prAbsent, ";"},  // the second bound's prAbsent is the result
        {"1;", prFailed, ";"},
        {";", prAbsent, ";"},
    });
}

}  // namespace
}  // namespace corvanet::testing
