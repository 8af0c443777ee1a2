// The two readings of Object Pascal a run can make. Classic is the reading of
// the tool's first era, kept byte for byte for conformance; modern reads
// today's Delphi (2009 to 13) and Free Pascal's Delphi mode. There is one
// scanner, one token stream and one set of rules: a rule asks the dialect
// only where the grammar forks.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "compare.h"

namespace corvanet {

enum class TDialect : std::uint8_t { Classic, Modern };

// What the front ends use when they are not told.
inline constexpr TDialect DefaultDialect = TDialect::Modern;

// The conditional defines used when none are given: the first era's compiler,
// and Delphi 13 building a Win32 application.
inline constexpr std::string_view ClassicDefines = "WIN32;VER100";
inline constexpr std::string_view ModernDefines =
    "MSWINDOWS;WIN32;CPUX86;CPU386;CPU32BITS;VER370;UNICODE;CONDITIONALEXPRESSIONS;DCC;"
    "NATIVECODE;ASSEMBLER;UNDERSCOREIMPORTNAME;WEAK_NATIVEINT";

constexpr std::string_view DefaultDefines(TDialect Dialect) {
    return Dialect == TDialect::Classic ? ClassicDefines : ModernDefines;
}

constexpr std::string_view DialectName(TDialect Dialect) {
    return Dialect == TDialect::Classic ? "classic" : "modern";
}

// "classic" or "modern", in any letter case.
inline std::optional<TDialect> DialectNamed(std::string_view Name) {
    if (SameText(Name, "classic")) return TDialect::Classic;
    if (SameText(Name, "modern")) return TDialect::Modern;
    return std::nullopt;
}

}  // namespace corvanet
