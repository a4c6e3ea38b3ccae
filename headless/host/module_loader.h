// Loads the module from a plug-ins folder through its one exported entry point and runs the
// host's start-up sequence on it: set-up (the interface record and the module's path), the
// resource message, start.  Unloading runs the end action and releases the library.
#pragma once

#include <cstdint>
#include <string>

namespace headless {

class HeadlessHost;

using EntryPoint = int32_t (*)(int32_t action, void* p1, void* p2, void* p3);

class LoadedModule {
public:
    LoadedModule() = default;
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    ~LoadedModule();

    // Opens the module file in `pluginFolder` (a directory of this machine holding exactly one
    // module: "*.so" on Linux, "*.dll" on Windows) and runs the start-up sequence.  False with
    // a message when the folder has no module, the library cannot be opened, it has no entry
    // point, or set-up, the resources or start-up fail (the message then names the step and its result).  What kept
    // classes from registering at start-up is the host's RegistrationProblems.
    bool Load(HeadlessHost& host, const std::string& pluginFolder, std::string& error);
    // Runs the end action once and releases the library (the host's document and registered
    // classes are released first: their code lives in the module).
    void Unload();

    bool IsLoaded() const { return handle_ != nullptr; }
    EntryPoint Entry() const { return entry_; }
    const std::string& NativePath() const { return nativePath_; }
    // The path handed to the module (a host path).
    const std::string& HostPath() const { return hostPath_; }
    int32_t StartResult() const { return startResult_; }

private:
    HeadlessHost* host_ = nullptr;
    void* handle_ = nullptr;
    EntryPoint entry_ = nullptr;
    std::string nativePath_;
    std::string hostPath_;
    int32_t startResult_ = 0;
};

}  // namespace headless
