// The single-instance tests start this test program again as a stand-in for a second run of
// the program: "--instance-helper <role> <home>" makes main run the role instead of the tests.
#pragma once

namespace vlmr::test {

inline constexpr const char* kInstanceHelperFlag = "--instance-helper";

// Runs the role named in argv[2]; the result is the process's exit code.
int RunInstanceHelper(int argc, char** argv);

}  // namespace vlmr::test
