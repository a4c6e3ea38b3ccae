#include "headless/host/module_loader.h"

#include <filesystem>
#include <vector>

#include "headless/files/native_io.h"
#include "headless/host/host.h"
#include "headless/host/library.h"

namespace headless {

namespace {

std::string FindModuleFile(const std::string& folder, std::string& error) {
    std::error_code ec;
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(native::FsPath(folder), ec)) {
        if (entry.is_regular_file(ec) && IsModuleFile(entry.path())) found.push_back(native::Utf8(entry.path()));
    }
    if (ec) {
        error = folder + ": cannot read the plug-ins folder: " + ec.message();
        return {};
    }
    if (found.empty()) {
        error = folder + ": no module (" + ModulePattern() + ") in the plug-ins folder";
        return {};
    }
    if (found.size() > 1) {
        error = folder + ": more than one module (" + ModulePattern() + ") in the plug-ins folder";
        return {};
    }
    return found.front();
}

}  // namespace

LoadedModule::~LoadedModule() { Unload(); }

bool LoadedModule::Load(HeadlessHost& host, const std::string& pluginFolder, std::string& error) {
    Unload();
    nativePath_ = FindModuleFile(pluginFolder, error);
    if (nativePath_.empty()) return false;
    nativePath_ = native::Utf8(std::filesystem::absolute(native::FsPath(nativePath_)).lexically_normal());

    std::string reason;
    handle_ = OpenLibrary(nativePath_, reason);
    if (!handle_) {
        error = nativePath_ + ": cannot load the module: " + reason;
        return false;
    }
    entry_ = reinterpret_cast<EntryPoint>(FindFunction(handle_, "c4d_main"));
    if (!entry_) {
        error = nativePath_ + ": the module has no entry point c4d_main";
        Unload();
        return false;
    }
    host_ = &host;
    hostPath_ = host.Files().ToHost(nativePath_).Str();

    auto* record = const_cast<HostInterfaceRecord*>(host.Record());
    int32_t setup = entry_(1, record, nullptr, const_cast<char*>(hostPath_.c_str()));
    if (setup != 1) {
        error = nativePath_ + ": the module refused set-up (result " + std::to_string(setup) + ")";
        Unload();
        return false;
    }
    int32_t resources = entry_(6, reinterpret_cast<void*>(intptr_t{1}), nullptr, nullptr);
    if (resources != 1) {
        error = nativePath_ + ": the module's resources did not load";
        if (!host.GetResources().Error().empty()) error += ": " + host.GetResources().Error();
        Unload();
        return false;
    }
    host.BeginRegistration();
    startResult_ = entry_(2, nullptr, nullptr, nullptr);
    host.EndRegistration();
    return true;
}

void LoadedModule::Unload() {
    if (!handle_) return;
    if (host_) {
        // Instances of the module's classes must go while its code is still loaded.
        host_->SetDocument(nullptr);
        host_->Registry().Clear();
    }
    if (entry_ && host_) entry_(3, nullptr, nullptr, nullptr);
    CloseLibrary(handle_);
    handle_ = nullptr;
    entry_ = nullptr;
    host_ = nullptr;
}

}  // namespace headless
