// Whole `vexlor export` commands as a user runs them: a process that loads the document (JSON),
// loads the module and writes every file.  Wall time per command, and the process's peak
// resident size (peak_MB, every buffer of host and module and the document text included).
// The documents are made once per size and saved as the command line saves documents.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_scenes.h"
#include "headless/files/files.h"
#include "headless/json/document_json.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The workspaces go when the process ends (the largest document is 150 MB).
struct Workspaces {
    std::vector<fs::path> folders;
    ~Workspaces() {
        std::error_code ec;
        for (const fs::path& folder : folders) fs::remove_all(folder, ec);
    }
};

// A folder of this process under `base`, holding a copy of the plug-ins folder with a renderer
// location stored by the first command.
fs::path Workspace(const fs::path& base) {
    static Workspaces made;
    const fs::path folder = base / ("vexlor-bench-command-" + std::to_string(::getpid()));
    if (!fs::exists(folder / "plugins")) {
        made.folders.push_back(folder);
        fs::create_directories(folder);
        fs::copy(VEXLOR_PLUGIN_DIR, folder / "plugins", fs::copy_options::recursive);
    }
    return folder;
}

// Saves the host's active document under `name` in the workspace, once.
fs::path SaveOnce(headless::HeadlessHost& host, const fs::path& workspace, const std::string& name) {
    const fs::path path = workspace / name;
    std::string error;
    if (!fs::exists(path) && !headless::WriteNativeFile(path.string(), headless::SaveDocument(*host.Document()), error)) {
        return {};
    }
    return path;
}

fs::path GridDocument(const fs::path& workspace, int32_t side) {
    headless::HeadlessHost host;
    bench::AddGrid(host, side, false);
    return SaveOnce(host, workspace, "grid-" + std::to_string(side) + ".json");
}

fs::path ObjectsDocument(const fs::path& workspace, int32_t count) {
    headless::HeadlessHost host;
    bench::AddQuadObjects(host, count);
    return SaveOnce(host, workspace, "objects-" + std::to_string(count) + ".json");
}

// Runs the command to its end; false when it could not start or did not exit with 0.
bool RunCommand(std::vector<std::string> arguments, double& peakMegabytes) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // The child's peak counts from the resident size this process has when it starts the
    // child, so this process's own peak (building a document) is forgotten first.
    bench::ResetPeakMemory();
    pid_t pid = 0;
    const int started = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return false;
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid) return false;
    peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// `again`: the export runs once before it is timed, so the timed one replaces its files.
void RunExport(benchmark::State& state, const fs::path& workspace, const fs::path& document,
               const fs::path& outputBase, std::vector<std::string> options, bool again = false) {
    if (document.empty()) {
        state.SkipWithError("the document could not be saved");
        return;
    }
    const fs::path output = outputBase / "out" / "scene.ovs";
    std::vector<std::string> arguments = {VEXLOR_CLI, "--plugins", (workspace / "plugins").string(), "-q", "export",
                                          document.string(), "-o", output.string(), "--renderer", "/opt/orvane",
                                          "--overwrite"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    double peak = 0;
    if (again && !RunCommand(arguments, peak)) state.SkipWithError("the first export failed");
    peak = 0;
    for (auto _ : state) {
        double run = 0;
        if (!RunCommand(arguments, run)) state.SkipWithError("the export failed");
        peak = std::max(peak, run);
    }
    state.counters["peak_MB"] = peak;
    state.counters["document_MB"] = static_cast<double>(fs::file_size(document)) / 1048576.0;
    std::error_code ec;
    fs::remove_all(outputBase / "out", ec);
}

// A grid of side x side quads with UVs, smoothing and a material, merged (--merge), written to
// memory (/dev/shm).
void BM_CommandExportGrid(benchmark::State& state) {
    const fs::path workspace = Workspace("/dev/shm");
    RunExport(state, workspace, GridDocument(workspace, static_cast<int32_t>(state.range(0))), workspace, {"--merge"});
}

// Many small polygon objects, each its own mesh file; range(1): 0 written to memory
// (/dev/shm), 1 to the disk (the system's temporary folder), 2 to the disk over the files of
// an earlier export.
void BM_CommandExportObjects(benchmark::State& state) {
    const fs::path workspace = Workspace("/dev/shm");
    const fs::path output = state.range(1) ? Workspace(fs::temp_directory_path()) : workspace;
    RunExport(state, workspace, ObjectsDocument(workspace, static_cast<int32_t>(state.range(0))), output, {},
              state.range(1) == 2);
}

// A binary glTF of a waved grid (side x side quads as twice as many triangles, a normal and a UV
// per point), exported directly: the import in memory, Convert Materials and the export.
void BM_CommandExportGlb(benchmark::State& state) {
    const fs::path workspace = Workspace("/dev/shm");
    const fs::path scene = workspace / ("grid-" + std::to_string(state.range(0)) + ".glb");
    if (!fs::exists(scene) && !bench::WriteGlbGrid(scene.string(), static_cast<int32_t>(state.range(0)))) {
        state.SkipWithError("the scene could not be written");
        return;
    }
    state.counters["triangles"] = 2.0 * static_cast<double>(state.range(0)) * static_cast<double>(state.range(0));
    RunExport(state, workspace, scene, workspace, {});
}

BENCHMARK(BM_CommandExportGlb)->Arg(100)->Arg(708)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CommandExportGrid)->Arg(100)->Arg(316)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CommandExportObjects)
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Args({10000, 2})
    ->Args({100000, 0})
    ->Args({160000, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
