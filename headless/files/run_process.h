// Running a program of this machine to its end, as the host's execute handler does.
#pragma once

#include <string>
#include <vector>

namespace headless {

struct ProcessEnd {
    std::string notStarted;  // why the program could not start; empty when it ran
    bool lost = false;       // it started, but waiting for its end failed
    bool exited = false;     // it exited (else a signal ended it)
    int status = 0;          // the exit status, or the signal
};

// Runs args[0] (searched on the PATH) with the other arguments and waits for its end.  On
// Windows, when the program is cmd with /c or /k last, the final argument (a file) is run in
// its folder and its name handed over in the environment, named by a quoted variable on
// cmd's line: cmd reads no "%", "&" or "^" of the path.
ProcessEnd RunToEnd(const std::vector<std::string>& args);

// The command line that hands `args` over to a Windows program as its argv: each argument
// that is empty or holds a blank, a tab or '"' is quoted, with backslashes before a '"'
// (written or closing) doubled and each '"' escaped.
std::string WindowsCommandLine(const std::vector<std::string>& args);

}  // namespace headless
