// Feeds argument vectors to the `vexlor` command line, with the module loaded from a private
// copy of the plug-ins folder inside a scratch folder that is the only place it may write.
// The input is the arguments, one per line.  Arguments that name places outside the scratch
// folder on purpose are left out: a "/", a ".." without a backslash, and the options that
// choose the plug-ins folder or run programs.  After each run the folders around the scratch
// folder, and the root folder, must hold what they held before.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) names.insert(entry.path().filename().string());
    return names;
}

struct Sandbox {
    fs::path top, scratch;
    std::set<std::string> root;
    std::set<std::string> kept = {"plugins", "room.json", "materials.json", "ui.json"};

    Sandbox() {
        top = fs::temp_directory_path() / ("vexlor-cli-fuzz-" + std::to_string(::getpid()));
        scratch = top / "a" / "b" / "scratch";
        fs::remove_all(top);
        fs::create_directories(scratch);
        fs::copy(VEXLOR_PLUGIN_DIR, scratch / "plugins", fs::copy_options::recursive);
        fs::copy(fs::path(VEXLOR_SOURCE_DIR) / "examples" / "room.json", scratch / "room.json");
        fs::copy(fs::path(VEXLOR_SOURCE_DIR) / "examples" / "materials.json", scratch / "materials.json");
        std::ofstream(scratch / "ui.json") << "[{\"question\": true}, {\"file\": null}]";
        root = Listing("/");
        // The module stays mapped when the host unloads it: its coverage counters are
        // registered with the fuzzer, which clears them before every run.
        if (!::dlopen((scratch / "plugins" / "vexlor.so").c_str(), RTLD_NOW | RTLD_NODELETE)) __builtin_trap();
    }

    ~Sandbox() {
        std::error_code ec;
        fs::remove_all(top, ec);
    }

    // Removes what the last run left in the scratch folder.
    void Clear() const {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(scratch, ec)) {
            if (!kept.contains(entry.path().filename().string())) fs::remove_all(entry.path(), ec);
        }
    }

    bool Untouched() const {
        return Listing(top) == std::set<std::string>{"a"} && Listing(top / "a") == std::set<std::string>{"b"} &&
               Listing(top / "a" / "b") == std::set<std::string>{"scratch"} && Listing("/") == root &&
               fs::is_regular_file(scratch / "room.json");
    }
};

bool Allowed(const std::string& argument) {
    if (argument.find('/') != std::string::npos) return false;
    if (argument.find("..") != std::string::npos && argument.find('\\') == std::string::npos) return false;
    for (const char* option : {"exec", "--pl", "--dr", "VEXLOR"}) {
        if (argument.find(option) != std::string::npos) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Sandbox sandbox;
    std::vector<std::string> arguments = {"vexlor", "--plugins", (sandbox.scratch / "plugins").string()};
    std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
    for (std::string line; std::getline(lines, line);) {
        if (!Allowed(line) || arguments.size() > 24) return 0;
        arguments.push_back(line);
    }
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());

    std::ostringstream ignored;
    std::streambuf* out = std::cout.rdbuf(ignored.rdbuf());
    std::streambuf* err = std::cerr.rdbuf(ignored.rdbuf());
    // Relative paths are taken from the scratch folder; the fuzzer's own are not.
    const fs::path home = fs::current_path();
    fs::current_path(sandbox.scratch);
    const int status = cli::RunCommandLine(static_cast<int>(argv.size()), argv.data());
    fs::current_path(home);
    std::cout.rdbuf(out);
    std::cerr.rdbuf(err);

    if (status < 0 || status > 2 || !sandbox.Untouched()) __builtin_trap();
    sandbox.Clear();
    return 0;
}
