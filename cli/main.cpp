// vexlor: the headless host on the command line.
#include "cli/command_line.h"

int main(int argc, char** argv) { return cli::RunCommandLine(argc, argv); }
