// Errors of the environment: files that cannot be opened or created, list
// indexes out of range. They carry the message the user sees; the core never
// prints, the front ends decide how to show them.
#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

namespace corvanet {

// The system's text for an error number (strerror's), as the messages about a
// file append it: "Cannot open file PATH: No such file or directory".
inline std::string SystemReason(int Errno) { return std::strerror(Errno); }

class CorvanetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace corvanet
