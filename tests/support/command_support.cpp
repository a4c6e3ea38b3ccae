#include "tests/support/command_support.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdio>
#include <random>

namespace testing_support {

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
#ifdef _WIN32
    // The command processor strips the outer quotes of a /c line that starts with one.
    FILE* pipe = _popen(("\"" + command + "\"").c_str(), "rb");
#else
    FILE* pipe = popen(command.c_str(), "r");
#endif
    if (!pipe) return result;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
#ifdef _WIN32
    result.status = _pclose(pipe);
    // Programs end their lines with CR LF in text mode; compare the text as Linux prints it.
    std::erase(result.output, '\r');
#else
    const int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    return result;
}

std::string InFolder(const std::filesystem::path& folder) {
#ifdef _WIN32
    return "cd /d \"" + folder.string() + "\" && ";
#else
    return "cd '" + folder.string() + "' && ";
#endif
}

std::filesystem::path TestFolder(const std::string& prefix) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        (prefix + testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

void CopyPluginsFolder(const std::filesystem::path& to) {
    std::filesystem::copy(VEXLOR_PLUGIN_DIR, to, std::filesystem::copy_options::recursive);
    std::filesystem::remove(to / "vexlor.cfg");
    std::filesystem::remove(to / "run.cmd");
}

std::filesystem::path ScratchFolder(const std::string& prefix) {
    static int counter = 0;
    for (;;) {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() /
            (prefix + std::to_string(std::random_device{}()) + "-" + std::to_string(++counter));
        if (std::filesystem::create_directories(folder)) return folder;
    }
}

std::string WithSlashes(std::string text, [[maybe_unused]] const std::string& from) {
#ifdef _WIN32
    const size_t start = text.find(from);
    if (start != std::string::npos) std::replace(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), '\\', '/');
#endif
    return text;
}

std::string HostPathOf(const std::filesystem::path& path) {
#ifdef _WIN32
    std::string text = std::filesystem::absolute(path).string();  // Windows paths are the host's
#else
    std::string text = "Z:" + path.string();
#endif
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

}  // namespace testing_support
