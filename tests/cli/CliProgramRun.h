#pragma once
// Runs the built quorvex-cli program (from QUORVEX_PROGRAM_DIR) in a test.
#include "support/TestMedia.h"

#include <cstdlib>
#include <string>

namespace clitest {

inline std::string Program()
{
    const char* dir = std::getenv("QUORVEX_PROGRAM_DIR");
    return std::string(dir ? dir : ".") + "/quorvex-cli";
}

// Runs quorvex-cli with `args` (already quoted); stdout and stderr together in `output`.
inline int RunCli(const std::string& args, std::string& output)
{
    return qtest::RunCommand(qtest::ShellQuote(Program()) + " " + args + " 2>&1 </dev/null", &output);
}

}  // namespace clitest
