#include "tests/support/golden.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "tests/support/module_fixture.h"

namespace testing_support {
namespace {

// The text with every version ("Vexlor 1.0.9 R2") replaced by one placeholder.
std::string WithoutVersion(const std::string& text) {
    static const std::regex kVersion(R"(Vexlor \d+\.\d+\.\d+ R\d+)");
    return std::regex_replace(text, kVersion, "Vexlor VERSION");
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

}  // namespace

void ExpectMatchesGolden(const std::string& actual, const std::string& golden) {
    const std::string path = SourcePath("tests/data/golden/" + golden);
    const std::string actualPath = path + ".actual";
    const char* update = std::getenv("VEXLOR_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        EXPECT_TRUE(WriteFile(path, actual)) << "cannot rewrite " << path;
        std::filesystem::remove(actualPath);
        return;
    }
    if (!std::filesystem::exists(path)) {
        WriteFile(actualPath, actual);
        ADD_FAILURE() << "no golden file " << path << "; the text is in " << actualPath;
        return;
    }
    if (WithoutVersion(actual) == WithoutVersion(ReadText(path))) {
        std::filesystem::remove(actualPath);
        return;
    }
    WriteFile(actualPath, actual);
    ADD_FAILURE() << "differs from " << path << "; the text is in " << actualPath << " (diff them, or rerun with "
                  << "VEXLOR_UPDATE_GOLDEN=1 to take it as the new golden)";
}

}  // namespace testing_support
