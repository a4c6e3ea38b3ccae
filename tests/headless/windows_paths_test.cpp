#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "headless/files/run_process.h"
#include "headless/files/windows_paths.h"

namespace headless {
namespace {

TEST(NormalWindowsPath, MakesAbsolutePathsNormalAndRefusesTheRest) {
    const struct {
        const char* path;
        std::optional<std::string> normal;
    } cases[] = {
        {"C:\\dir\\file.ovs", "C:\\dir\\file.ovs"},
        {"c:/dir//sub/./file", "c:\\dir\\sub\\file"},
        {"C:\\dir\\", "C:\\dir"},
        {"C:\\", "C:\\"},
        {"C:/..\\..\\x", "C:\\x"},                   // never above the drive's root
        {"C:\\a\\b\\..\\..\\..\\c", "C:\\c"},
        {"\\\\server\\share\\a\\..\\b", "\\\\server\\share\\b"},
        {"//server/share/../../x", "\\\\server\\share\\x"},  // nor above the share
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"C:relative", std::nullopt},
        {"\\rooted", std::nullopt},
        {"dir\\file", std::nullopt},
        {"\\\\server", std::nullopt},
        {"\\\\?\\C:\\x", std::nullopt},
        {"\\\\.\\pipe\\x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(NormalWindowsPath(c.path), c.normal) << c.path;
}

TEST(WindowsCommandLine, QuotesWhatTheProgramWouldSplitOrUnquote) {
    const struct {
        std::vector<std::string> args;
        const char* line;
    } cases[] = {
        {{"cmd", "/c", "C:\\dir\\run.cmd"}, "cmd /c C:\\dir\\run.cmd"},
        {{"prog", "C:\\a b\\é %PATH%.cmd"}, "prog \"C:\\a b\\é %PATH%.cmd\""},
        {{"prog", ""}, "prog \"\""},
        {{"prog", "say \"hi\""}, "prog \"say \\\"hi\\\"\""},
        {{"prog", "C:\\a b\\"}, "prog \"C:\\a b\\\\\""},          // a closing quote after backslashes
        {{"prog", "a\\\\\"b c"}, "prog \"a\\\\\\\\\\\"b c\""},  // backslashes before a quote
        {{"prog", "a\\b"}, "prog a\\b"},                           // others stay as they are
    };
    for (const auto& c : cases) EXPECT_EQ(WindowsCommandLine(c.args), c.line) << c.line;
}

}  // namespace
}  // namespace headless
