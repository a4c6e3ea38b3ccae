#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "headless/files/files.h"
#include "tests/support/command_support.h"

namespace headless {
namespace {

namespace fs = std::filesystem;

// A fresh directory under the temporary folder, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() : path_(testing_support::ScratchFolder("vexlor-files-").string()) {}
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::string ReadNative(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteNative(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class HeadlessFilesTest : public ::testing::Test {
protected:
    HostFilename Host(const std::string& name) const { return files_.ToHost(dir_.Path() + "/" + name); }
    std::string Native(const std::string& name) const {
        return fs::path(dir_.Path() + "/" + name).make_preferred().string();
    }

    ScratchDir dir_;
    FileSystem files_;
};

#ifndef _WIN32  // the drive map of the Linux build (Windows paths: windows_paths_test.cpp)
struct NativeCase {
    std::string host;
    std::optional<std::string> native;
};

TEST(HeadlessFilesPaths, ToNativeMapsDrivesAndNormalises) {
    FileSystem files;
    files.MapDrive('c', "/srv/c/");
    const NativeCase cases[] = {
        {"Z:\\tmp\\room.ovs", "/tmp/room.ovs"},
        {"z:/tmp/room.ovs", "/tmp/room.ovs"},
        {"Z:\\tmp/sub\\x", "/tmp/sub/x"},
        {"Z:\\", "/"},
        {"Z:/", "/"},
        {"Z:\\a\\.\\b\\..\\c", "/a/c"},
        {"Z:\\..\\..\\etc\\passwd", "/etc/passwd"},
        {"C:\\..\\x", "/srv/c/x"},
        {"C:\\a\\..\\..\\..\\b", "/srv/c/b"},
        {"c:\\dir\\\\file", "/srv/c/dir/file"},
        {"C:\\", "/srv/c"},
        {"C:\\a\\", "/srv/c/a"},
        {"Q:\\x", std::nullopt},
        {"tmp\\x", std::nullopt},
        {"\\tmp\\x", std::nullopt},
        {"\\\\server\\share\\x", std::nullopt},
        {"C:x", std::nullopt},
        {"C:", std::nullopt},
        {"", std::nullopt},
        {"1:\\x", std::nullopt},
        {std::string("Z:\\a\0b", 6), std::nullopt},
    };
    for (const NativeCase& c : cases) EXPECT_EQ(files.ToNative(c.host), c.native) << c.host;
}

TEST(HeadlessFilesPaths, MapDriveReplacesAndRemoves) {
    FileSystem files;
    files.MapDrive('z', "/home/a");
    EXPECT_EQ(files.ToNative("Z:\\x"), "/home/a/x");
    files.MapDrive('Z', "");
    EXPECT_EQ(files.ToNative("Z:\\x"), std::nullopt);
    files.MapDrive('%', "/srv");
    EXPECT_EQ(files.ToNative("%:\\x"), std::nullopt);
}

TEST(HeadlessFilesPaths, ToHostTakesTheLongestDrive) {
    FileSystem files;
    files.MapDrive('C', "/srv/c");
    files.MapDrive('D', "/srv/c/deep");
    const std::pair<std::string, std::string> cases[] = {
        {"/tmp/room.ovs", "Z:\\tmp\\room.ovs"},
        {"/", "Z:\\"},
        {"/srv/c/scenes/a.json", "C:\\scenes\\a.json"},
        {"/srv/c", "C:\\"},
        {"/srv/c/", "C:\\"},
        {"/srv/cx/a", "Z:\\srv\\cx\\a"},
        {"/srv/c/deep/x", "D:\\x"},
        {"/srv/c/deeper/x", "C:\\deeper\\x"},
        {"/srv/c/deep/../d", "C:\\d"},
        {"/a/./b//c", "Z:\\a\\b\\c"},
    };
    for (const auto& [native, host] : cases) EXPECT_EQ(files.ToHost(native).Str(), host) << native;
    EXPECT_EQ(files.ToHost("rel/x").Str(), files.ToHost(fs::current_path().string() + "/rel/x").Str());

    files.MapDrive('Z', "");
    EXPECT_TRUE(files.ToHost("/etc/passwd").IsEmpty());
}

TEST(HeadlessFilesPaths, HostAndNativeRoundTrip) {
    FileSystem files;
    files.MapDrive('C', "/srv/c");
    for (std::string native : {"/srv/c/a b/ü.txt", "/tmp/x", "/srv/c", "/"}) {
        EXPECT_EQ(files.ToNative(files.ToHost(native)), native);
    }
}

#endif

TEST_F(HeadlessFilesTest, WriteReplacesTheTargetOnlyOnClose) {
    WriteNative(Native("out.txt"), "old");
    auto file = files_.Open(Host("out.txt"), FileMode::kWrite);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->Write(std::string("new ")));
    EXPECT_TRUE(file->Write("text", 4));
    EXPECT_EQ(ReadNative(Native("out.txt")), "old");
    std::vector<std::string> during = Entries(dir_.Path());
    ASSERT_EQ(during.size(), 2u);  // the bytes go to a hidden file beside the target
    EXPECT_EQ(during[0].rfind(".vxtmp-", 0), 0u) << during[0];
    char byte;
    EXPECT_FALSE(file->Read(&byte, 1));
    std::string bytes;
    EXPECT_FALSE(file->ReadAll(bytes));

    EXPECT_TRUE(file->Close());
    EXPECT_EQ(ReadNative(Native("out.txt")), "new text");
    EXPECT_EQ(Entries(dir_.Path()), std::vector<std::string>{"out.txt"});
    EXPECT_FALSE(file->Close());
    EXPECT_FALSE(file->Write("x", 1));
}

// The temporary name is short whatever the target's: a name of 255 bytes is written.
TEST_F(HeadlessFilesTest, LongestNamesAreWritten) {
    const std::string name(255, 'n');
    auto file = files_.Open(Host(name), FileMode::kWrite);
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->Write(std::string("long")));
    EXPECT_TRUE(file->Close());
    EXPECT_EQ(ReadNative(Native(name)), "long");
}

TEST_F(HeadlessFilesTest, DroppedWriterLeavesTargetAlone) {
    WriteNative(Native("keep.txt"), "old");
    {
        auto file = files_.Open(Host("keep.txt"), FileMode::kWrite);
        ASSERT_NE(file, nullptr);
        ASSERT_TRUE(file->Write(std::string("replacement")));
    }
    EXPECT_EQ(ReadNative(Native("keep.txt")), "old");
    EXPECT_EQ(Entries(dir_.Path()), std::vector<std::string>{"keep.txt"});
}

TEST_F(HeadlessFilesTest, FailedRenameKeepsTargetAndRemovesTemporary) {
    WriteNative(Native("scene.ovs"), "old");
    auto file = files_.Open(Host("scene.ovs"), FileMode::kWrite);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write(std::string("new")));
    // The target turns into a non-empty directory, which a file cannot replace.
    fs::remove(Native("scene.ovs"));
    fs::create_directory(Native("scene.ovs"));
    WriteNative(Native("scene.ovs/inside"), "kept");
    EXPECT_FALSE(file->Close());
    EXPECT_EQ(ReadNative(Native("scene.ovs/inside")), "kept");
    EXPECT_EQ(Entries(dir_.Path()), std::vector<std::string>{"scene.ovs"});
}

#ifndef _WIN32  // a write made to fail by a file-size limit: Windows has no such limit
TEST_F(HeadlessFilesTest, FailedWriteKeepsTargetAndRemovesTemporary) {
    WriteNative(Native("big.bin"), "old");
    auto file = files_.Open(Host("big.bin"), FileMode::kWrite);
    ASSERT_NE(file, nullptr);
    // Let the write run into a file size limit (the signal it raises is ignored).
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool wrote = file->Write(std::string(4096, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(wrote);
    EXPECT_FALSE(file->Write(std::string("more")));
    EXPECT_FALSE(file->Close());
    EXPECT_EQ(files_.Writes().Since(0).back().error, std::strerror(EFBIG));
    EXPECT_EQ(ReadNative(Native("big.bin")), "old");
    EXPECT_EQ(Entries(dir_.Path()), std::vector<std::string>{"big.bin"});
}
#endif

TEST_F(HeadlessFilesTest, WriteLogKeepsEveryOutcomeWithTheSystemsReason) {
    fs::create_directory(Native("sub"));
    auto written = files_.Open(Host("a.txt"), FileMode::kWrite);
    ASSERT_TRUE(written && written->Write(std::string("a")) && written->Close());
    EXPECT_EQ(files_.Open(Host("missing/x.txt"), FileMode::kWrite), nullptr);
    EXPECT_EQ(files_.Open(Host("sub"), FileMode::kWrite), nullptr);
    files_.Open(Host("dropped.txt"), FileMode::kWrite).reset();
    const size_t mark = files_.Writes().Size();
    ASSERT_TRUE(files_.Copy(Host("a.txt"), Host("b.txt"), false));

    const std::vector<std::pair<std::string, std::string>> expected = {
        {Native("a.txt"), ""},
        {Native("missing/x.txt"), std::strerror(ENOENT)},
        {Native("sub"), std::strerror(EISDIR)},
        {Native("dropped.txt"), std::strerror(ECANCELED)},
        {Native("b.txt"), ""}};
    std::vector<std::pair<std::string, std::string>> logged;
    for (const WriteOutcome& outcome : files_.Writes().Since(0)) logged.emplace_back(outcome.path, outcome.error);
    EXPECT_EQ(logged, expected);
    EXPECT_EQ(files_.Writes().Since(mark).size(), 1u);
}

// (That it never writes through a link at a fixed temporary name: tests/cli/hostile_cli_test.cpp.)
TEST_F(HeadlessFilesTest, NativeFilesGiveTheSystemsReason) {
    std::string error;
    ASSERT_TRUE(WriteNativeFile(Native("out.json"), "new", error)) << error;
    EXPECT_EQ(ReadNative(Native("out.json")), "new");
    EXPECT_FALSE(WriteNativeFile(Native("none/out.json"), "new", error));
    EXPECT_EQ(error, std::strerror(ENOENT));
}

#ifndef _WIN32  // Windows keeps a folder that holds an open file
TEST_F(HeadlessFilesTest, DirectoryRemovedBeforeCloseFails) {
    fs::create_directory(Native("gone"));
    auto file = files_.Open(Host("gone/new.txt"), FileMode::kWrite);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->Write(std::string("data")));
    fs::remove_all(Native("gone"));
    EXPECT_FALSE(file->Close());
    EXPECT_FALSE(fs::exists(Native("gone")));
}
#endif

TEST_F(HeadlessFilesTest, OpenRefusesWhatItCannotServe) {
    fs::create_directory(Native("sub"));
    EXPECT_EQ(files_.Open(Host("missing/x.txt"), FileMode::kWrite), nullptr);
    EXPECT_EQ(files_.Open(Host("sub"), FileMode::kWrite), nullptr);
    EXPECT_EQ(files_.Open(Host("sub"), FileMode::kRead), nullptr);
    EXPECT_EQ(files_.Open(Host("none.txt"), FileMode::kRead), nullptr);
    EXPECT_EQ(files_.Open("Q:\\x.txt", FileMode::kWrite), nullptr);
    EXPECT_EQ(files_.Open("relative.txt", FileMode::kRead), nullptr);
}

TEST_F(HeadlessFilesTest, ReadGivesExactBytes) {
    WriteNative(Native("in.bin"), std::string("abc\0def", 7));
    auto file = files_.Open(Host("in.bin"), FileMode::kRead);
    ASSERT_NE(file, nullptr);
    char head[3];
    ASSERT_TRUE(file->Read(head, 3));
    EXPECT_EQ(std::string(head, 3), "abc");
    std::string rest;
    ASSERT_TRUE(file->ReadAll(rest));
    EXPECT_EQ(rest, std::string("\0def", 4));
    EXPECT_FALSE(file->Read(head, 1));
    EXPECT_FALSE(file->Write("x", 1));
    EXPECT_FALSE(file->WriteString("x"));
    EXPECT_TRUE(file->Close());
}

TEST(HeadlessFilesRecords, Crc32IsTheIeeeChecksum) {
    EXPECT_EQ(Crc32(""), 0u);
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
}

TEST(HeadlessFilesRecords, EncodingLayout) {
    const std::string record = EncodeStringRecord("hi");
    const uint32_t crc = Crc32("hi");
    std::string expected = std::string("VXS1") + std::string("\x02\x00\x00\x00", 4) + "hi";
    for (int i = 0; i < 4; ++i) expected.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
    EXPECT_EQ(record, expected);
}

TEST(HeadlessFilesRecords, RoundTrip) {
    std::string binary(10000, '\0');
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7 % 256);
    for (const std::string& text : {std::string(), std::string("Render Settings"),
                                    std::string("Größe ✓ 日本語"), binary}) {
        std::string bytes = "prefix" + EncodeStringRecord(text) + EncodeStringRecord("next");
        size_t offset = 6;
        std::string decoded, error;
        ASSERT_TRUE(DecodeStringRecord(bytes, offset, decoded, error)) << error;
        EXPECT_EQ(decoded, text);
        EXPECT_EQ(offset, 6 + 12 + text.size());
        ASSERT_TRUE(DecodeStringRecord(bytes, offset, decoded, error)) << error;
        EXPECT_EQ(decoded, "next");
        EXPECT_EQ(offset, bytes.size());
    }
}

TEST(HeadlessFilesRecords, DamageIsRefused) {
    const std::string good = EncodeStringRecord("hello");
    std::string badMagic = good;
    badMagic[3] = '2';
    std::string longer = good;
    longer[4] = 6;
    std::string flippedText = good;
    flippedText[9] ^= 0x20;
    std::string flippedCrc = good;
    flippedCrc[good.size() - 1] ^= 1;
    const std::pair<std::string, std::string> cases[] = {
        {"", "string record at byte 0: cut short: 0 bytes left, a record takes at least 12"},
        {good.substr(0, 11), "string record at byte 0: cut short: 11 bytes left, a record takes at least 12"},
        {good.substr(0, 16), "string record at byte 0: cut short: length 5 but 4 bytes of text follow"},
        {badMagic, "string record at byte 0: no \"VXS1\" magic"},
        {longer, "string record at byte 0: cut short: length 6 but 5 bytes of text follow"},
        {flippedText, "string record at byte 0: checksum 0x3610a686 does not match the text (0x962209b8)"},
    };
    for (const auto& [bytes, message] : cases) {
        size_t offset = 0;
        std::string text = "untouched", error;
        EXPECT_FALSE(DecodeStringRecord(bytes, offset, text, error));
        EXPECT_EQ(error, message);
        EXPECT_EQ(text, "untouched");
        EXPECT_EQ(offset, 0u);
    }
    size_t offset = 0;
    std::string text, error;
    EXPECT_FALSE(DecodeStringRecord(flippedCrc, offset, text, error));
    EXPECT_EQ(error, "string record at byte 0: checksum 0x3710a686 does not match the text (0x3610a686)");
    offset = 100;
    EXPECT_FALSE(DecodeStringRecord(good, offset, text, error));
    EXPECT_EQ(error, "string record at byte 100: cut short: 0 bytes left, a record takes at least 12");
}

TEST_F(HeadlessFilesTest, StringRecordsThroughFiles) {
    {
        auto file = files_.Open(Host("strings.bin"), FileMode::kWrite);
        ASSERT_NE(file, nullptr);
        for (const char* text : {"", "one", "Größe"}) ASSERT_TRUE(file->WriteString(text));
        ASSERT_TRUE(file->Close());
    }
    auto file = files_.Open(Host("strings.bin"), FileMode::kRead);
    ASSERT_NE(file, nullptr);
    HostString text("x");
    for (const char* expected : {"", "one", "Größe"}) {
        ASSERT_TRUE(file->ReadString(text));
        EXPECT_EQ(text.Str(), expected);
    }
    EXPECT_FALSE(file->ReadString(text));
}

TEST_F(HeadlessFilesTest, DamagedRecordInFileIsRefusedInPlace) {
    std::string huge = EncodeStringRecord("abc");
    huge[4] = huge[5] = huge[6] = huge[7] = '\xFF';  // a length of 4 GiB in a 15-byte file
    std::string flipped = EncodeStringRecord("abc");
    flipped[8] = 'x';
    for (const std::string& bytes : {huge, flipped, std::string("VXS1\x01")}) {
        WriteNative(Native("bad.bin"), bytes);
        auto file = files_.Open(Host("bad.bin"), FileMode::kRead);
        ASSERT_NE(file, nullptr);
        HostString text("kept");
        EXPECT_FALSE(file->ReadString(text));
        EXPECT_EQ(text.Str(), "kept");
        std::string rest;
        ASSERT_TRUE(file->ReadAll(rest));
        EXPECT_EQ(rest, bytes);  // the read position stayed at the record
    }
}

TEST_F(HeadlessFilesTest, ExistsTellsFilesFromDirectories) {
    WriteNative(Native("f.txt"), "x");
    fs::create_directory(Native("d"));
    EXPECT_TRUE(files_.Exists(Host("f.txt"), false));
    EXPECT_FALSE(files_.Exists(Host("f.txt"), true));
    EXPECT_TRUE(files_.Exists(Host("d"), true));
    EXPECT_FALSE(files_.Exists(Host("d"), false));
    EXPECT_FALSE(files_.Exists(Host("none"), false));
    EXPECT_FALSE(files_.Exists(Host("none"), true));
    EXPECT_FALSE(files_.Exists("Q:\\x", false));
}

TEST_F(HeadlessFilesTest, DeleteRemovesFilesOnly) {
    WriteNative(Native("f.txt"), "x");
    fs::create_directory(Native("d"));
    EXPECT_TRUE(files_.Delete(Host("f.txt")));
    EXPECT_FALSE(fs::exists(Native("f.txt")));
    EXPECT_FALSE(files_.Delete(Host("f.txt")));
    EXPECT_FALSE(files_.Delete(Host("d")));
    EXPECT_TRUE(fs::is_directory(Native("d")));
}

TEST_F(HeadlessFilesTest, CopyHonoursOverwrite) {
    WriteNative(Native("a.txt"), "alpha");
    WriteNative(Native("b.txt"), "beta");
    fs::create_directory(Native("d"));
    EXPECT_TRUE(files_.Copy(Host("a.txt"), Host("c.txt"), false));
    EXPECT_EQ(ReadNative(Native("c.txt")), "alpha");
    EXPECT_FALSE(files_.Copy(Host("a.txt"), Host("b.txt"), false));
    EXPECT_EQ(ReadNative(Native("b.txt")), "beta");
    EXPECT_TRUE(files_.Copy(Host("a.txt"), Host("b.txt"), true));
    EXPECT_EQ(ReadNative(Native("b.txt")), "alpha");
    EXPECT_FALSE(files_.Copy(Host("none.txt"), Host("e.txt"), true));
    EXPECT_FALSE(files_.Copy(Host("d"), Host("e.txt"), true));
    EXPECT_FALSE(files_.Copy(Host("a.txt"), Host("d"), true));
    EXPECT_FALSE(files_.Copy(Host("a.txt"), Host("missing/e.txt"), true));
    EXPECT_EQ(Entries(dir_.Path()), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d"}));
    EXPECT_TRUE(Entries(Native("d")).empty());
}

TEST_F(HeadlessFilesTest, CreateDirectoryMakesParents) {
    EXPECT_TRUE(files_.CreateDirectory(Host("a\\b/c")));
    EXPECT_TRUE(fs::is_directory(Native("a/b/c")));
    EXPECT_TRUE(files_.CreateDirectory(Host("a\\b")));
    WriteNative(Native("file"), "x");
    EXPECT_FALSE(files_.CreateDirectory(Host("file")));
    EXPECT_FALSE(files_.CreateDirectory(Host("file\\sub")));
    EXPECT_FALSE(files_.CreateDirectory("Q:\\x"));
}

TEST_F(HeadlessFilesTest, ExecuteWithoutHandlerRecordsTheRequest) {
    WriteNative(Native("render.bat"), "@echo off\r\n");
    std::string message;
    EXPECT_TRUE(files_.Execute(Host("render.bat"), message));
    const std::string native = Native("render.bat");
    EXPECT_EQ(message, "Run: " + native + " (no execute handler set; start it with: wine cmd /c " + native + ")");
    ASSERT_EQ(files_.ExecutedFiles().size(), 1u);
    EXPECT_EQ(files_.ExecutedFiles()[0].Str(), Host("render.bat").Str());

    EXPECT_FALSE(files_.Execute(Host("none.bat"), message));
    EXPECT_EQ(message, "Cannot run " + Host("none.bat").Str() + ": no such file");
    EXPECT_EQ(files_.ExecutedFiles().size(), 1u);
}

#ifndef _WIN32  // the handler is the Linux shell
TEST_F(HeadlessFilesTest, ExecuteRunsTheHandler) {
    WriteNative(Native("ok.sh"), "echo ran > \"$(dirname \"$0\")/marker\"\n");
    WriteNative(Native("fail.sh"), "exit 3\n");
    files_.SetExecuteHandler({"/bin/sh"});
    std::string message;
    EXPECT_TRUE(files_.Execute(Host("ok.sh"), message));
    EXPECT_EQ(message, "Ran: /bin/sh " + Native("ok.sh"));
    EXPECT_EQ(ReadNative(Native("marker")), "ran\n");

    EXPECT_FALSE(files_.Execute(Host("fail.sh"), message));
    EXPECT_EQ(message, "Run failed: /bin/sh " + Native("fail.sh") + " exited with status 3");

    files_.SetExecuteHandler({"/nonexistent/program", "-x"});
    EXPECT_FALSE(files_.Execute(Host("ok.sh"), message));
    EXPECT_EQ(message, "Cannot run " + Native("ok.sh") + ": /nonexistent/program: No such file or directory");
    EXPECT_EQ(files_.ExecutedFiles().size(), 3u);
}
#endif

TEST_F(HeadlessFilesTest, FindTextureSearchOrder) {
    fs::create_directories(Native("doc/tex"));
    fs::create_directories(Native("extra"));
    WriteNative(Native("doc/wood.png"), "x");
    WriteNative(Native("doc/tex/wood.png"), "x");
    WriteNative(Native("doc/tex/stone.png"), "x");
    WriteNative(Native("extra/sky.hdr"), "x");
    WriteNative(Native("elsewhere.png"), "x");
    files_.AddTextureFolder(Host("extra"));
    const HostFilename doc = Host("doc");
    const std::pair<std::string, std::string> cases[] = {
        {"wood.png", Host("doc").Str() + "\\wood.png"},
        {"stone.png", Host("doc").Str() + "\\tex\\stone.png"},
        {"sky.hdr", Host("extra").Str() + "\\sky.hdr"},
        {"tex\\stone.png", Host("doc").Str() + "\\tex\\stone.png"},
        {Host("elsewhere.png").Str(), Host("elsewhere.png").Str()},
        {"Z:\\no\\such\\dir\\stone.png", Host("doc").Str() + "\\tex\\stone.png"},
        {"missing.png", ""},
        {"", ""},
    };
    for (const auto& [name, found] : cases) EXPECT_EQ(files_.FindTexture(doc, name).Str(), found) << name;
    EXPECT_EQ(files_.FindTexture(HostFilename(), "sky.hdr").Str(), Host("extra").Str() + "\\sky.hdr");
}

}  // namespace
}  // namespace headless

namespace headless {
namespace {

// Batch files take their places only when the batch is committed, all together; one that
// cannot (its target turned into a folder) is named, and the others still go in.  Batch files
// never committed are dropped with the facility, and their targets stay.
TEST_F(HeadlessFilesTest, BatchFilesTakeTheirPlacesAtTheCommit) {
    WriteNative(Native("a.obj"), "old a");
    for (const char* name : {"a.obj", "b.obj", "c.obj"}) {
        auto file = files_.Open(Host(name), FileMode::kWriteBatch);
        ASSERT_NE(file, nullptr);
        ASSERT_TRUE(file->Write(std::string("new ") + name));
        ASSERT_TRUE(file->Close());
    }
    EXPECT_EQ(ReadNative(Native("a.obj")), "old a");
    EXPECT_FALSE(fs::exists(Native("b.obj")));
    fs::create_directory(Native("c.obj"));
    WriteNative(Native("c.obj/inside"), "kept");
    const size_t logged = files_.Writes().Size();

    std::vector<HostFilename> failed;
    EXPECT_FALSE(files_.CommitBatch(failed));
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].Str(), Host("c.obj").Str());
    EXPECT_EQ(ReadNative(Native("a.obj")), "new a.obj");
    EXPECT_EQ(ReadNative(Native("b.obj")), "new b.obj");
    EXPECT_EQ(Entries(dir_.Path()), (std::vector<std::string>{"a.obj", "b.obj", "c.obj"}));
    const std::vector<WriteOutcome> outcomes = files_.Writes().Since(logged);
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_TRUE(outcomes[0].Written());
#ifdef _WIN32
    EXPECT_EQ(outcomes[2].error, std::strerror(EACCES));  // what Windows says of a file moved onto a folder
#else
    EXPECT_EQ(outcomes[2].error, std::strerror(EISDIR));
#endif

    failed.clear();
    EXPECT_TRUE(files_.CommitBatch(failed));  // nothing left to commit
    {
        FileSystem other;
        auto file = other.Open(Host("d.obj"), FileMode::kWriteBatch);
        ASSERT_TRUE(file->Write(std::string("never committed")) && file->Close());
    }
    EXPECT_EQ(Entries(dir_.Path()), (std::vector<std::string>{"a.obj", "b.obj", "c.obj"}));
}

}  // namespace
}  // namespace headless
