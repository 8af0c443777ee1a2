// Errors of the environment: files that cannot be opened or created, list
// indexes out of range. They carry the message the user sees; the core never
// prints, the front ends decide how to show them.
#pragma once

#include <stdexcept>
#include <string>

namespace corvanet {

class CorvanetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace corvanet
