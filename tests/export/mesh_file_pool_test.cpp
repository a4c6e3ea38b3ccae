// The pool writes the same files and prints the same lines, in the same order, whatever its
// number of threads and bounds, with files failing to open, to be written and to be formatted
// in the middle of the frame.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <filesystem>
#include <map>
#include <new>
#include <regex>
#include <string>
#include <vector>

#include "export/mesh_file_pool.h"
#include "tests/support/module_fixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadText;

constexpr int kParts = 24;
constexpr int kBig = 9;       // its text passes the file-size limit
constexpr int kBlocked = 15;  // a folder stands at its file's path

// Formatting the text of this file runs out of memory.
class ExhaustedFile final : public HostFile {
public:
    bool Write(const void*, size_t) override { throw std::bad_alloc(); }
    bool Read(void*, size_t) override { return false; }
    bool ReadAll(std::string&) override { return false; }
    bool WriteString(const HostString&) override { return false; }
    bool ReadString(HostString&) override { return false; }
    bool Close() override { return true; }
};

// One-quad parts; some with normals and a selection with its material; part kBig a strip of
// quads whose text passes the file-size limit.
std::string Document() {
    std::string objects;
    for (int i = 0; i < kParts; ++i) {
        std::string points = "[0,0,0],[1,0,0],[1,0,1],[0,0,1]";
        std::string polygons = "0,1,2,3";
        for (int q = 1; i == kBig && q < 4000; ++q) {
            points += ",[" + std::to_string(q + 1) + ",0,0],[" + std::to_string(q + 1) + ",0,1]";
            polygons += "],[" + std::to_string(2 * q) + "," + std::to_string(2 * q + 2) + "," +
                        std::to_string(2 * q + 3) + "," + std::to_string(2 * q + 1);
        }
        const char* tags = i % 4 == 1 ? R"({"type": "smoothing"}, {"type": "selection", "name": "S", "polygons": [0]},
                                         {"type": "texture", "material": "Red Metal", "restriction": "S"})"
                                      : "";
        objects += std::string(i ? "," : "") + R"({"type": "polygon", "name": "Part )" + std::to_string(i) +
                   R"(", "points": [)" + points + R"(], "polygons": [[)" + polygons + R"(]], "tags": [)" + tags + "]}";
    }
    return R"({"materials": [{"name": "Red Metal"}], "objects": [)" + objects + "]}";
}

struct PoolCase {
    const char* name;
    int32_t threads;
    MeshFileLimits limits;
};

class MeshFilePoolTest : public testing_support::ModuleTest {
protected:
    struct Run {
        bool written = false;
        std::vector<std::string> lines;            // the times and the case's folder masked
        std::map<std::string, std::string> files;  // by name, temporary files included
    };

    // Writes every part, and a file that cannot be formatted after the blocked one, into a
    // folder of the case's own, with the file-size limit.
    Run Write(const PoolCase& c, bool finish = true) {
        const std::string folder = std::string("run-") + c.name;
        fs::create_directories(NativePath(folder + "/" + std::to_string(kBlocked) + ".obj"));
        const size_t before = host_.Console().size();
        Run run;
        {
            MeshFilePool pool(c.threads, FileMode::kWrite, c.limits);
            int i = 0;
            for (HostObject* object = host_.Document()->GetFirstObject(); object; object = object->GetNext(), ++i) {
                pool.WriteMesh(host_.Document(), HostPath(folder), std::to_string(i) + ".obj", object, true);
                if (i == kBlocked) {
                    PreparedMesh exhausted;
                    exhausted.file = std::make_unique<ExhaustedFile>();
                    pool.Write(std::move(exhausted), {HostPath(folder + "/exhausted.obj"), "exhausted", 1}, 1);
                }
            }
            if (finish) run.written = pool.Finish();
        }
        const std::regex masked("Export Time: [0-9.]+s|run-[a-z]+");
        for (size_t i = before; i < host_.Console().size(); ++i) {
            run.lines.push_back(std::regex_replace(host_.Console()[i], masked, "*"));
        }
        for (const auto& entry : fs::directory_iterator(NativePath(folder))) {
            if (entry.is_regular_file()) run.files[entry.path().filename().string()] = ReadText(entry.path().string());
        }
        return run;
    }
};

#ifndef _WIN32  // a write made to fail by a file-size limit: Windows has no such limit
TEST_F(MeshFilePoolTest, AnyPoolWritesTheFilesAndLinesOfOneThread) {
    LoadDocument(Document());
    struct rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit limit = before;
    limit.rlim_cur = 64 * 1024;  // below the big grid's text, above every quad's
    void (*previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const PoolCase cases[] = {{"one", 1, {}},
                              {"four", 4, {}},
                              {"tight", 4, {1, 2, 1}},  // the walk waits on every mesh
                              {"budget", 3, {4, 10, 64}}};
    std::vector<Run> runs;
    for (const PoolCase& c : cases) runs.push_back(Write(c));
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);

    const Run& one = runs[0];
    EXPECT_FALSE(one.written);
    std::vector<std::string> expected;
    auto error = [&](const std::string& file) {
        return "* Error: the mesh file could not be written: " + HostPath("*/" + file).Str();
    };
    for (int i = 0; i < kParts; ++i) {
        const std::string part = std::to_string(i);
        const bool fails = i == kBig || i == kBlocked;
        expected.push_back(fails ? error(part + ".obj") : "Exported mesh: Part " + part + ", 1 Polygons. *");
        if (i == kBlocked) expected.push_back(error("exhausted.obj"));
    }
    EXPECT_EQ(one.lines, expected);
    EXPECT_EQ(one.files.size(), kParts - 2u);  // no temporary file left beside them
    EXPECT_NE(one.files.at("5.obj").find("\nusemtl Red_Metal\nf 4/"), std::string::npos);  // its groups resolved
    for (size_t k = 1; k < runs.size(); ++k) {
        EXPECT_EQ(runs[k].written, one.written) << cases[k].name;
        EXPECT_EQ(runs[k].lines, one.lines) << cases[k].name;
        EXPECT_EQ(runs[k].files, one.files) << cases[k].name;
    }
}
#endif

// A pool dropped before Finish (an exception in the walk) stops its workers: each file is
// whole or not there at all.
TEST_F(MeshFilePoolTest, DroppedPoolLeavesOnlyWholeFiles) {
    LoadDocument(Document());
    const Run whole = Write({"whole", 3, {}});
    const Run dropped = Write({"dropped", 3, {}}, false);
    for (const auto& [name, text] : dropped.files) {
        const auto written = whole.files.find(name);
        ASSERT_NE(written, whole.files.end()) << name;
        EXPECT_EQ(text, written->second) << name;
    }
}

}  // namespace
