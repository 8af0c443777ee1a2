// The rules on any input: a read of a unit always ends, pass 2 still writes
// every token once and in order, and each rule either consumes a token or
// reports prAbsent. Inputs are random token sequences and token-level
// mutations of the example sources, all from fixed seeds. A guard on the token
// hook counts reads, so a rule that stood still would be caught, not hang.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "fixture.h"
#include "pascal_noise.h"

namespace corvanet::testing {
namespace {

using testsupport::MutateTokens;
using testsupport::RandomTokens;

struct TRunaway : std::runtime_error {
    TRunaway() : std::runtime_error("the read did not end") {}
};

// Every read goes through the hook; a read that keeps going far beyond the
// size of the text throws out of the rules.
void GuardReads(TParserFixture& F, std::size_t Limit) {
    auto Inner = F.Stream.TokenHook;
    F.Stream.TokenHook = [Inner, Limit, Calls = std::size_t{0}]() mutable {
        if (++Calls > Limit) throw TRunaway();
        Inner();
    };
}

std::size_t ReadLimit(const std::string& Text) { return 32 * (Text.size() + 64); }

// Half of every test's inputs are read in each dialect.
TDialect DialectOf(unsigned Seed) { return Seed / 2 % 2 == 0 ? TDialect::Classic : TDialect::Modern; }

// Pass 1 and pass 2 over one unit; false (with a failure) when something broke.
bool EndsAndWritesAll(const std::string& Text, const std::string& Label, TDialect Dialect) {
    TParserFixture F;
    F.Stream.Dialect = Dialect;
    F.AddUnit("U.pas");
    GuardReads(F, ReadLimit(Text));
    try {
        F.ReadInterface("U", Text);
        F.Symbols.SortSymbolTable();
        F.GenerateUnit("U", Text);
    } catch (const TRunaway&) {
        ADD_FAILURE() << "no end: " << Label << "\n" << Text;
        return false;
    }
    // The generators never make the scanner stop early, so the sink must have
    // received the whole text.
    if (F.Stream.EndOfInput != srEndOfInput || F.VisibleText() != Text || !F.Settled()) {
        ADD_FAILURE() << "not written whole: " << Label << "\n" << Text << "\n---\n" << F.VisibleText();
        return false;
    }
    return true;
}

// The opening that lets random tokens reach the declaration rules in pass 1.
std::string Opening(unsigned Seed) {
    switch (Seed % 3) {
    case 0: return "";
    case 1: return "unit U; interface ";
    default: return "unit U; interface type TFoo = ";
    }
}

TEST(Termination, RandomTokenSequences) {
    for (unsigned Seed = 1; Seed <= 1500; ++Seed) {
        std::mt19937 Rng(Seed);
        const std::string Text = Opening(Seed) + RandomTokens(Rng, 1 + Rng() % 120);
        if (!EndsAndWritesAll(Text, "seed " + std::to_string(Seed), DialectOf(Seed))) break;
    }
}

// Random mixtures of every construct that nests, three times deeper than the
// rules' limit.
TEST(Termination, MixedDeepNesting) {
    for (unsigned Seed = 1; Seed <= 40; ++Seed) {
        std::mt19937 Rng(Seed);
        const std::string Text = testsupport::MixedNesting(Rng, 3 * MaxNesting);
        if (!EndsAndWritesAll(Text, "seed " + std::to_string(Seed), DialectOf(Seed))) break;
    }
}

TEST(Termination, MutatedExampleSources) {
    const std::vector<std::string> Sources = testsupport::ExampleSourceTexts();
    ASSERT_FALSE(Sources.empty());
    const unsigned PerSource = 1800 / static_cast<unsigned>(Sources.size());
    for (std::size_t s = 0; s < Sources.size(); ++s) {
        const auto Tokens = testsupport::SplitTokens(Sources[s]);
        for (unsigned Seed = 1; Seed <= PerSource; ++Seed) {
            std::mt19937 Rng(Seed * 7919u + static_cast<unsigned>(s));
            const std::string Text = MutateTokens(Rng, Tokens, 1 + static_cast<int>(Rng() % 4));
            if (!EndsAndWritesAll(Text, "source " + std::to_string(s) + " seed " + std::to_string(Seed),
                                  DialectOf(Seed)))
                return;
        }
    }
}

// Rules that may say prParsed or prFailed without reading are left out: the
// declaration loop (prParsed when no section starts), the field list (an empty
// one fails), the method directives (prParsed at any word), and the modern
// member lists, members, member constants, structures and directives. Their
// callers have always read a token, or seen the one that starts them, before
// calling them.
using TRule = TParseResult (TParser::*)();
struct TNamedRule {
    const char* Name;
    TRule Rule;
};
#define CV_RULE(name) {#name, &TParser::name}
const TNamedRule ConventionalRules[] = {
    CV_RULE(ReadLabelSection),    CV_RULE(ReadConstSection),     CV_RULE(ReadConstDeclarations),
    CV_RULE(ReadTypeSection),     CV_RULE(ReadTypeDeclaration),  CV_RULE(ReadVarSection),
    CV_RULE(ReadVarDeclaration),  CV_RULE(ReadExportsSection),   CV_RULE(ReadResourcestringSection),
    CV_RULE(ReadType),            CV_RULE(ReadSimpleType),       CV_RULE(ReadOrdinalType),
    CV_RULE(ReadEnumeration),     CV_RULE(ReadSubrange),         CV_RULE(ReadStringType),
    CV_RULE(ReadPointerType),     CV_RULE(ReadProceduralType),   CV_RULE(ReadConstValue),
    CV_RULE(ReadRoutineDeclaration), CV_RULE(ReadFormalParameters), CV_RULE(ReadParameterGroup),
    CV_RULE(ReadStructuredType),  CV_RULE(ReadArrayType),        CV_RULE(ReadRecordType),
    CV_RULE(ReadFixedFields),     CV_RULE(ReadVariantPart),      CV_RULE(ReadVariant),
    CV_RULE(ReadSetType),         CV_RULE(ReadFileType),         CV_RULE(ReadClassType),
    CV_RULE(ReadClassMembers),    CV_RULE(ReadFieldDeclaration), CV_RULE(ReadMethodDeclaration),
    CV_RULE(ReadMethodHeading),   CV_RULE(ReadProperty),         CV_RULE(ReadPropertySpecifiers),
    CV_RULE(ReadVisibilityWord),  CV_RULE(ReadExpression),       CV_RULE(ReadSimpleExpression),
    CV_RULE(ReadTerm),            CV_RULE(ReadFactor),           CV_RULE(ReadDesignator),
    CV_RULE(ReadSelector),        CV_RULE(ReadSetConstructor),   CV_RULE(ReadRecordVariants),
    CV_RULE(ReadFields),          CV_RULE(ReadOperatorHeading),  CV_RULE(ReadTypeReference),
    CV_RULE(ReadTypeArguments),
};
#undef CV_RULE

TEST(Termination, EveryRuleReadsOrSaysAbsent) {
    for (const TNamedRule& R : ConventionalRules) {
        SCOPED_TRACE(R.Name);
        for (unsigned Seed = 1; Seed <= 40; ++Seed) {
            std::mt19937 Rng(Seed);
            const std::string Text = RandomTokens(Rng, 1 + Rng() % 40);
            TParserFixture F;
            F.Stream.Dialect = DialectOf(Seed);
            F.AddUnit("U.pas");
            F.Symbols.CurrentUnit = "U";
            GuardReads(F, ReadLimit(Text));
            F.Open(Text, Seed % 2 == 0 ? 1 : 2);
            const auto Before = F.Stream.Scanner.TokenOffset();
            const TParseResult Result = (F.Parser.*R.Rule)();
            const bool Read = F.Stream.Scanner.TokenOffset() != Before;
            ASSERT_TRUE(Result == prAbsent || Read) << "result " << int(Result) << " on: " << Text;
        }
    }
}

}  // namespace
}  // namespace corvanet::testing
