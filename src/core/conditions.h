// The expressions of {$IF} and {$ELSEIF} in the modern reading, evaluated as
// the compilers do against the conditional symbols in force: Defined(X),
// not/and/or/xor, parentheses, integer and real arithmetic and comparisons,
// True and False, and the compiler's constants CompilerVersion, RTLVersion
// (from the highest VERnnn define: nnn / 10), FPC_FULLVERSION (from the
// highest VERa_b_c define: a * 10000 + b * 100 + c) and SizeOf(Pointer) (8
// where a 64-bit target is defined, else 4). Declared(X) is false: the reader
// keeps no table of what a unit declares at that point.
#pragma once

#include <string_view>

#include "defines.h"

namespace corvanet {

// Whether Expression holds. An expression that cannot be evaluated (a name
// nothing defines, a form not listed above, bad syntax, nesting deeper than
// MaxConditionDepth) is false, unless the part that cannot be evaluated is
// the right operand of an "and" or "or" that its left one decides.
bool EvaluateCondition(std::string_view Expression, const TDefines& Defines);

// Parentheses and unary operators nest at most this deep in one expression.
inline constexpr int MaxConditionDepth = 256;

}  // namespace corvanet
