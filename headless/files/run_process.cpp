#include "headless/files/run_process.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>

#include "headless/files/native_io.h"
#else
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

namespace headless {

std::string WindowsCommandLine(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& arg : args) {
        if (!line.empty()) line += ' ';
        if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
            line += arg;
            continue;
        }
        line += '"';
        size_t backslashes = 0;
        for (char c : arg) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            // Backslashes count only before a '"'.
            line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
            backslashes = 0;
            line += c;
        }
        line.append(2 * backslashes, '\\');
        line += '"';
    }
    return line;
}

#ifdef _WIN32

namespace {

constexpr wchar_t kFileVariable[] = L"VEXLOR_EXECUTE_FILE";

bool IsCmd(const std::vector<std::string>& args) {
    if (args.size() < 3) return false;
    std::string program = args[0].substr(args[0].find_last_of("\\/") + 1);
    for (char& c : program) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const std::string& option = args[args.size() - 2];
    return (program == "cmd" || program == "cmd.exe") &&
           (option == "/c" || option == "/C" || option == "/k" || option == "/K");
}

}  // namespace

// cmd takes the first and the last '"' off its command, then expands the variables in it.
// The file's folder (where a "%" is most likely) becomes cmd's current folder and stays off
// its line; the file's name comes through a variable, whose value Windows' cmd reads no
// variables in.
ProcessEnd RunToEnd(const std::vector<std::string>& args) {
    ProcessEnd end;
    const bool viaEnvironment = IsCmd(args);
    std::wstring line, folder;
    if (viaEnvironment) {
        const std::filesystem::path file = native::FsPath(args.back());
        folder = file.has_parent_path() ? file.parent_path().native() : std::wstring();
        SetEnvironmentVariableW(kFileVariable, (folder.empty() ? file : file.filename()).c_str());
        const std::vector<std::string> head(args.begin(), args.end() - 1);
        line = native::Wide(WindowsCommandLine(head)) + L" \"\"%" + kFileVariable + L"%\"\"";
    } else {
        line = native::Wide(WindowsCommandLine(args));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    const DWORD startError = GetLastError();
    if (viaEnvironment) SetEnvironmentVariableW(kFileVariable, nullptr);
    if (!started) {
        end.notStarted = native::SystemMessage(startError);
        return end;
    }
    CloseHandle(process.hThread);
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &code)) {
        end.lost = true;
    } else {
        end.exited = true;
        end.status = static_cast<int>(code);
    }
    CloseHandle(process.hProcess);
    return end;
}

#else

ProcessEnd RunToEnd(const std::vector<std::string>& args) {
    ProcessEnd end;
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& arg : copy) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        end.notStarted = std::strerror(rc);
        return end;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            end.lost = true;
            return end;
        }
    }
    end.exited = WIFEXITED(status);
    end.status = end.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    return end;
}

#endif

}  // namespace headless
