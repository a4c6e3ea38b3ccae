// The `vexlor` command line: parses the arguments and runs one command.
#pragma once

namespace cli {

// Runs the command the arguments name and returns the exit status (0 done, 1 the work
// failed, 2 the input was refused).  Nothing escapes it: an exception from the work is
// reported on stderr as a failure.
int RunCommandLine(int argc, const char* const* argv);

}  // namespace cli
