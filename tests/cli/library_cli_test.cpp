// `vexlor export-ovm` and `vexlor import-ovm` end to end, in a scratch copy of the example
// libraries and their document.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/command_support.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;

using testing_support::HostPathOf;
using Outcome = testing_support::CommandResult;

std::string FileText(const fs::path& path) { return testing_support::ReadText(path.string()); }

class LibraryCli : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vexlor-library-cli-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::copy(std::string(VEXLOR_SOURCE_DIR) + "/tests/data/libraries", dir_, fs::copy_options::recursive);
        std::ofstream(dir_ / "empty.json") << R"({"objects": []})";
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs vexlor in the scratch directory with the built plug-ins folder.
    Outcome Vexlor(const std::string& arguments) const {
        return testing_support::RunCommand(testing_support::InFolder(dir_) + VEXLOR_CLI + " --plugins " +
                                           VEXLOR_PLUGIN_DIR + " " + arguments + " 2>&1");
    }
    bool Says(const Outcome& outcome, const std::string& text) const {
        return outcome.output.find(text) != std::string::npos;
    }

    fs::path dir_;
};

TEST_F(LibraryCli, ExportImportAndExportAgainGiveTheSameLibrary) {
    Outcome exported = Vexlor("export-ovm materials.json --object blend_nested -o out/mix.xml");
    ASSERT_EQ(exported.status, 0) << exported.output;
    EXPECT_TRUE(Says(exported, "Files written:\n  " + (dir_ / "out" / "mix.ovm").string())) << exported.output;
    EXPECT_TRUE(Says(exported, "* Exporting OVM..."));

    Outcome imported = Vexlor("import-ovm empty.json out/mix.ovm -o imported.json");
    ASSERT_EQ(imported.status, 0) << imported.output;
    EXPECT_TRUE(Says(imported, "Loaded texture: "));
    EXPECT_TRUE(Says(imported, "Wrote imported.json"));
    const std::string document = FileText(dir_ / "imported.json");
    EXPECT_NE(document.find("\"Imported Materials\""), std::string::npos);

    Outcome again = Vexlor("-q export-ovm imported.json --object Nested -o out/again.ovm");
    ASSERT_EQ(again.status, 0) << again.output;
    const std::string first = FileText(dir_ / "out" / "mix.ovm");
    std::string second = FileText(dir_ / "out" / "again.ovm");
    // The one number that went through the medium gain's division.
    const size_t scaled = second.find("<rgb>0.4 2.8 3.2</rgb>");
    ASSERT_NE(scaled, std::string::npos) << second;
    second.replace(scaled, 22, "<rgb>0.4000001 2.8 3.2</rgb>");
    EXPECT_EQ(first, second);
}

TEST_F(LibraryCli, TagNumberAndTextureCopies) {
    std::ofstream(dir_ / "two.json") << R"({"materials": [{"name": "A", "channels": {"0": {"on": true, "texture": "paint.png"}}},
        {"name": "B"}], "objects": [{"type": "null", "name": "N", "tags": [
        {"type": "MyMaterialHelper", "params": {"1001": {"material": "A"}}},
        {"type": "MyMaterialHelper", "params": {"1001": {"material": "B"}, "1002": 1101}}]}]})";
    Outcome second = Vexlor("-q export-ovm two.json --object N --tag 1 -o b.ovm");
    ASSERT_EQ(second.status, 0) << second.output;
    EXPECT_NE(FileText(dir_ / "b.ovm").find("<name>B</name>\n        <oren_nayar>"), std::string::npos);

    Outcome copied = Vexlor("-q export-ovm two.json --object N -o a.ovm --copy-textures");
    ASSERT_EQ(copied.status, 0) << copied.output;
    EXPECT_TRUE(fs::exists(dir_ / "textures.a" / "A.paint.png"));
    EXPECT_TRUE(Says(copied, (dir_ / "textures.a" / "A.paint.png").string())) << copied.output;
    EXPECT_NE(FileText(dir_ / "a.ovm").find("<path>textures.a\\A.paint.png</path>"), std::string::npos);
}

TEST_F(LibraryCli, RefusedInputsGiveStatusTwoWithAMessage) {
    std::ofstream(dir_ / "broken.ovm") << "<scenedata><material></scenedata>";
    std::ofstream(dir_ / "library.xml") << "<scenedata/>";
    struct Case {
        std::string arguments;
        std::string message;
    };
    const Case cases[] = {
        {"export-ovm materials.json --object nobody -o x.ovm", "no object named \"nobody\""},
        {"export-ovm materials.json --object diffuse --tag 1 -o x.ovm", "object \"diffuse\" has no material tag number 1"},
        {"export-ovm empty.json --object diffuse -o x.ovm --tag -1", "--tag"},
        {"import-ovm empty.json broken.ovm -o x.json",
         "Material library not imported: " + HostPathOf(dir_ / "broken.ovm") + ": line 1: "},
        {"import-ovm empty.json library.xml -o x.json", "not imported (the file name does not end in .ovm)"},
        {"import-ovm empty.json missing.ovm -o x.json", "missing.ovm"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Vexlor(c.arguments);
        EXPECT_EQ(outcome.status, 2) << c.arguments << "\n" << outcome.output;
        EXPECT_TRUE(Says(outcome, c.message)) << c.arguments << "\n" << outcome.output;
    }
    EXPECT_FALSE(fs::exists(dir_ / "x.json"));
    EXPECT_FALSE(fs::exists(dir_ / "x.ovm"));
}

TEST_F(LibraryCli, ImportingAgainWarnsOfRepeatedNames) {
    ASSERT_EQ(Vexlor("-q import-ovm empty.json blend.ovm -o once.json").status, 0);
    const Outcome twice = Vexlor("-q import-ovm once.json blend.ovm -o twice.json");
    EXPECT_EQ(twice.status, 0) << twice.output;
    EXPECT_TRUE(Says(twice, "warning: more than one material is named \"Mix\"")) << twice.output;
    EXPECT_TRUE(fs::exists(dir_ / "twice.json"));
}

TEST_F(LibraryCli, Help) {
    for (const char* command : {"export-ovm", "import-ovm"}) {
        const Outcome help = Vexlor(std::string(command) + " --help");
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_TRUE(Says(help, "Usage:")) << help.output;
    }
}

}  // namespace
