// Loads and stores of a word at any byte address: the word-at-a-time loops of
// the name folding and of the renderers read and write through these, and
// the compiler makes each a single move.
#pragma once

#include <cstring>

namespace corvanet {

template <typename T>
T Load(const char* p) noexcept {
    T Value;
    std::memcpy(&Value, p, sizeof Value);
    return Value;
}

template <typename T>
void Store(char* Out, T Value) noexcept {
    std::memcpy(Out, &Value, sizeof Value);
}

}  // namespace corvanet
