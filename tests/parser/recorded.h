// What pass 1 recorded, in a form that reads well in assertions: one
// "Name:Kind" row per unit symbol and one "Class.Member:Kind" row per method,
// in table order. The interface tests wrap a small interface section in a
// unit, read it as the pass-1 unit reader does and compare these rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fixture.h"

namespace corvanet::testing {

using TRows = std::vector<std::string>;

inline std::string Row(std::string_view Name, TSymbolKind Kind) {
    return std::string(Name) + ":" + std::string(SymbolKindName(Kind));
}

// Unit-level symbols.
inline TRows SymbolRows(const TURElm& Unit) {
    TRows Rows;
    for (const auto& S : Unit.Symbols) Rows.push_back(Row(S.Name, S.Kind));
    return Rows;
}

// One row per class ("TFoo") followed by its members ("TFoo.Run:Procedure").
inline TRows ClassRows(const TURElm& Unit) {
    TRows Rows;
    for (const auto& C : Unit.Classes) {
        Rows.push_back(C.Name);
        for (const auto& M : C.Members) Rows.push_back(Row(C.Name + "." + M.Name, M.Kind));
    }
    return Rows;
}

// The text of a unit named U whose interface section holds Interface.
inline std::string UnitText(std::string_view Name, std::string_view Interface) {
    std::string s = "unit " + std::string(Name) + ";\r\n\r\ninterface\r\n\r\n";
    s += Interface;
    s += "\r\n\r\nimplementation\r\n\r\nend.\r\n";
    return s;
}

// Registers U.pas, reads the interface in pass 1 and returns the unit's entry,
// unsorted unless Sort is set.
inline const TURElm& ReadUnitInterface(TParserFixture& F, std::string_view Interface,
                                       bool Sort = false) {
    F.BuildSymbols({{"U.pas", UnitText("U", Interface)}}, Sort);
    return F.Symbols.UnitList().front();
}

// Reads Interface with a fixture of its own, in Dialect, and compares what
// pass 1 recorded.
inline void ExpectRecordedRows(const char* Interface, const TRows& Symbols, const TRows& Classes,
                               TDialect Dialect = TDialect::Classic) {
    TParserFixture F;
    F.Stream.Dialect = Dialect;
    const TURElm& U = ReadUnitInterface(F, Interface);
    EXPECT_EQ(SymbolRows(U), Symbols) << Interface;
    EXPECT_EQ(ClassRows(U), Classes) << Interface;
}

}  // namespace corvanet::testing
