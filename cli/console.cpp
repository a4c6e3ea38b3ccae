#include "cli/console.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include "headless/files/native_io.h"
#else
#include <unistd.h>
#endif

namespace cli {

#ifdef _WIN32

std::vector<std::string> Arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(headless::native::Narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

std::optional<std::string> Environment(const char* name) {
    const wchar_t* value = _wgetenv(headless::native::Wide(name).c_str());
    if (!value) return std::nullopt;
    return headless::native::Narrow(value);
}

std::string DefaultPluginsFolder() {
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (length == 0) return "plugins\\vexlor";
        if (length < program.size()) {
            program.resize(length);
            break;
        }
        program.resize(program.size() * 2);
    }
    const size_t slash = program.find_last_of(L"\\/");
    return headless::native::Narrow(program.substr(0, slash == std::wstring::npos ? 0 : slash + 1)) + "plugins\\vexlor";
}

void PrepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (error != INVALID_HANDLE_VALUE && GetConsoleMode(error, &mode)) {
        SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

#else

std::vector<std::string> Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

std::optional<std::string> Environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

std::string DefaultPluginsFolder() { return VEXLOR_DEFAULT_PLUGIN_DIR; }

void PrepareConsole() {}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

#endif

}  // namespace cli
