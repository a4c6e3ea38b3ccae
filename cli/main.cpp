// vexlor: the headless host on the command line.
#include "cli/command_line.h"
#include "cli/console.h"

int main(int argc, char** argv) {
    cli::PrepareConsole();
    const std::vector<std::string> arguments = cli::Arguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    pointers.push_back(nullptr);
    return cli::RunCommandLine(static_cast<int>(arguments.size()), pointers.data());
}
