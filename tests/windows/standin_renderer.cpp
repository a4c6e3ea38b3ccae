// A stand-in for the renderer's programs (orvane.exe, orvane_console.exe) in the tests of the
// run script: each start appends one record to "standin-record.txt" beside the program and
// exits with 0.  A record is lines "key=value" (UTF-8) closed by a blank line:
//   program=orvane.exe
//   commandline=<the command line as the process got it>
//   argc=<count>
//   arg0=... arg1=... (the command line as CommandLineToArgvW splits it)
//   cwd=<the working directory>
//   priority=idle | below-normal | normal | above-normal | high | realtime | other
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

std::wstring ProgramPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
}

std::wstring WorkingDirectory() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(path.size()), path.data());
    path.resize(length);
    return path;
}

const char* PriorityName(DWORD priority) {
    switch (priority) {
        case IDLE_PRIORITY_CLASS: return "idle";
        case BELOW_NORMAL_PRIORITY_CLASS: return "below-normal";
        case NORMAL_PRIORITY_CLASS: return "normal";
        case ABOVE_NORMAL_PRIORITY_CLASS: return "above-normal";
        case HIGH_PRIORITY_CLASS: return "high";
        case REALTIME_PRIORITY_CLASS: return "realtime";
        default: return "other";
    }
}

std::string Record(const std::wstring& program) {
    const std::wstring commandLine = GetCommandLineW();
    std::string record = "program=" + Utf8(program.substr(program.find_last_of(L"\\/") + 1)) + "\n";
    record += "commandline=" + Utf8(commandLine) + "\n";
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(commandLine.c_str(), &argc);
    record += "argc=" + std::to_string(argc) + "\n";
    for (int i = 0; argv && i < argc; ++i) record += "arg" + std::to_string(i) + "=" + Utf8(argv[i]) + "\n";
    LocalFree(argv);
    record += "cwd=" + Utf8(WorkingDirectory()) + "\n";
    record += std::string("priority=") + PriorityName(GetPriorityClass(GetCurrentProcess())) + "\n\n";
    return record;
}

}  // namespace

int wmain() {
    const std::wstring program = ProgramPath();
    const std::wstring recordFile = program.substr(0, program.find_last_of(L"\\/") + 1) + L"standin-record.txt";
    const std::string record = Record(program);
    // Appending the whole record in one write keeps records of starts that overlap apart.
    HANDLE file = CreateFileW(recordFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == record.size() ? 0 : 3;
}
