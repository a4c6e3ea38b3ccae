// The headless host: an in-memory implementation of the host interface.  It records console
// lines and status output, answers prompts from a UI script, keeps documents in memory and
// maps host paths to this machine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "headless/files/files.h"
#include "headless/host/registry.h"
#include "headless/resources/resources.h"
#include "headless/scene/nodes.h"
#include "headless/ui/ui.h"
#include "sdk/host.h"

namespace headless {

struct StatusEvent {
    enum class Kind { kText, kBar, kClear } kind;
    std::string text;
    int32_t percent = 0;
};

class HeadlessHost final : public Host {
public:
    HeadlessHost();
    ~HeadlessHost() override;

    // The interface record handed to the module.
    const HostInterfaceRecord* Record() const { return &record_; }

    // --- Host ----------------------------------------------------------------------------
    void Print(const HostString& line) override;
    void StatusSetText(const HostString& text) override;
    void StatusSetBar(int32_t percent) override;
    void StatusClear() override;
    int64_t GetTimer() override;
    int32_t GetCpuCount() override;
    void* Alloc(size_t size) override;
    void Free(void* block) override;
    bool StartThread(Thread& thread, int32_t back, int32_t priority) override;
    std::unique_ptr<HostFile> OpenFile(const HostFilename& name, FileMode mode) override;
    bool FileExists(const HostFilename& name, bool isDirectory = false) override;
    bool DeleteFile(const HostFilename& name) override;
    bool CopyFile(const HostFilename& from, const HostFilename& to, bool overwrite) override;
    bool CreateDirectory(const HostFilename& name) override;
    bool CommitFiles(std::vector<HostFilename>& failed) override;
    bool ExecuteFile(const HostFilename& name) override;
    HostFilename GenerateTexturePath(const HostDocument& document, const HostString& name) override;
    std::unique_ptr<HostBitmap> LoadBitmap(const HostFilename& name) override;
    bool FileSelect(FileSelectMode mode, const HostString& title, HostFilename& chosen) override;
    bool QuestionDialog(const HostString& text) override;
    void MessageDialog(const HostString& text) override;
    int32_t OpenDialog(GeDialog& dialog, bool modal, int32_t pluginId) override;
    HostDocument* GetActiveDocument() override { return document_.get(); }
    std::unique_ptr<HostObject> AllocObject(int32_t type) override;
    std::unique_ptr<HostTag> AllocTag(int32_t type, int32_t count = 0) override;
    std::unique_ptr<HostMaterial> AllocMaterial(int32_t type) override;
    std::unique_ptr<HostReplacementRecord> AllocReplacementRecord() override;
    bool SendModelingCommand(int32_t command, ModelingCommandData& data) override;
    std::vector<UvwCorners> GenerateUvw(HostObject& object, const Matrix& objectMg, HostTag& textureTag,
                                        const Matrix& tagObjectMg, HostView* view) override;
    void EventAdd() override { ++events_; }
    void DrawViews() override { ++redraws_; }
    bool InitResources(const HostFilename& pluginDirectory) override;
    void FreeResources() override;
    HostString LoadString(int32_t id) override;
    bool RegisterCommandPlugin(int32_t id, const HostString& name, int32_t flags, const HostBitmap* icon,
                               const HostString& help, std::unique_ptr<CommandData> command) override;
    bool RegisterTagPlugin(int32_t id, const HostString& name, int32_t flags, TagAllocator allocator,
                           const HostString& description, const HostBitmap* icon, int32_t reserved) override;
    bool RegisterObjectPlugin(int32_t id, const HostString& name, int32_t flags, ObjectAllocator allocator,
                              const HostString& description, const HostBitmap* icon, const HostBitmap* smallIcon,
                              int32_t reserved) override;

    // --- the headless side -----------------------------------------------------------------
    FileSystem& Files() { return files_; }
    const FileSystem& Files() const { return files_; }
    ScriptedUi& Ui() { return ui_; }
    Resources& GetResources() { return resources_; }
    PluginRegistry& Registry() { return registry_; }
    HlDocument* Document() { return document_.get(); }
    void SetDocument(std::unique_ptr<HlDocument> document) { document_ = std::move(document); }

    // The console's lines and the status events, as they came, while records are kept (the
    // default); the command line, which only passes them on, does not keep them, so a long
    // export does not hold every line it printed.
    const std::vector<std::string>& Console() const { return console_; }
    void KeepRecords(bool keep) { keepRecords_ = keep; }
    // What kept the module's classes from registering, one line each: an icon that did not
    // load during a registration ("PATH: cannot read the icon: REASON", PATH of this machine)
    // and a description that the resources do not hold.
    const std::vector<std::string>& RegistrationProblems() const { return registrationProblems_; }
    // The module registers its classes between these calls (its start-up); Begin forgets the
    // problems of an earlier registration.  An icon that fails to load outside them is some
    // other picture of the module's and is not recorded.
    void BeginRegistration();
    void EndRegistration() { registering_ = false; }
    const std::vector<StatusEvent>& Status() const { return status_; }
    void ClearRecords();
    // Called for every console line as it is printed (the command line echoes them).
    void SetConsoleSink(std::function<void(const std::string&)> sink) { consoleSink_ = std::move(sink); }
    void SetStatusSink(std::function<void(const StatusEvent&)> sink) { statusSink_ = std::move(sink); }
    // A timer that tests can drive: when set, GetTimer returns its value.
    void SetFakeTimer(std::function<int64_t()> timer) { fakeTimer_ = std::move(timer); }
    int32_t EventCount() const { return events_; }
    int64_t LiveHostBlocks() const { return liveBlocks_; }

private:
    void RecordStatus(StatusEvent event);
    // Whether the resources hold the description that class `id` names; a problem when not.
    bool KnowsDescription(int32_t id, const HostString& description);

    HostInterfaceRecord record_;
    FileSystem files_;
    Resources resources_;
    ScriptedUi ui_;
    PluginRegistry registry_;
    std::unique_ptr<HlDocument> document_;
    std::vector<std::string> console_;
    std::vector<StatusEvent> status_;
    std::vector<std::string> registrationProblems_;
    bool registering_ = false;
    bool keepRecords_ = true;
    std::function<void(const std::string&)> consoleSink_;
    std::function<void(const StatusEvent&)> statusSink_;
    std::function<int64_t()> fakeTimer_;
    int32_t events_ = 0;
    int32_t redraws_ = 0;
    int64_t liveBlocks_ = 0;
};

}  // namespace headless
