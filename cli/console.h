// What the command takes from the system it runs on, as UTF-8 text: its arguments, the
// environment, and the console it prints to.  (On Windows the C runtime hands these over
// in the ANSI code page; here they come from the wide-character calls.)
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

// The program's arguments, argv[0] first.
std::vector<std::string> Arguments(int argc, char** argv);
// The value of an environment variable, when it is set.
std::optional<std::string> Environment(const char* name);
// The plug-ins folder the command uses when none is named: the build's own on Linux; on
// Windows "plugins\\vexlor" beside vexlor.exe, so that the folder works where it is copied.
std::string DefaultPluginsFolder();
// Makes the console show the UTF-8 text the command prints (and read the terminal codes of
// the progress line).
void PrepareConsole();
bool StderrIsTerminal();

}  // namespace cli
