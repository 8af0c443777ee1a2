// Starting a program as a user would, without a shell: its standard input is
// /dev/null, its standard output and error go to files, and the caller gets its
// exit status. The acceptance run starts the generator, corvanet-cli and the
// external document checkers this way.
#pragma once

#include <string>
#include <vector>

namespace corvanet::acceptance {

// Exit status 0..255; 128 + the signal number when a signal ended it; -1 when
// it could not be started. Argv[0] is looked up on PATH when it has no "/".
int RunProcess(const std::vector<std::string>& Argv, const std::string& OutPath, const std::string& ErrPath);

}  // namespace corvanet::acceptance
