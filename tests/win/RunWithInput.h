// Running a Windows program to its end, shared by the real-engine tests and the benchmarks (which
// must not depend on the test framework).
#pragma once
#include <string>

namespace mwtest {

// Runs a Windows program to its end with `input` on its standard input, its output discarded, in
// `directory` (the caller's when null); its exit code, or -1 when it did not start or end.
int runWithInput(std::string commandLine, const std::string& input, const char* directory = nullptr);

} // namespace mwtest
