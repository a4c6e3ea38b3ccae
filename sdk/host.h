// The host interface: everything the module asks of the host application goes through the
// Host object named by the interface record that the host hands to the entry point.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sdk/bitmap.h"
#include "sdk/container.h"
#include "sdk/dialog.h"
#include "sdk/file.h"
#include "sdk/filename.h"
#include "sdk/hoststring.h"
#include "sdk/plugin.h"
#include "sdk/scene.h"

class Host {
public:
    virtual ~Host() = default;

    // Console and status bar.
    virtual void Print(const HostString& line) = 0;
    virtual void StatusSetText(const HostString& text) = 0;
    virtual void StatusSetBar(int32_t percent) = 0;
    virtual void StatusClear() = 0;

    // Milliseconds since an arbitrary start.
    virtual int64_t GetTimer() = 0;
    virtual int32_t GetCpuCount() = 0;
    // Host memory.
    virtual void* Alloc(size_t size) = 0;
    virtual void Free(void* block) = 0;

    // Threads: runs thread.Main() and returns when it has ended.
    virtual bool StartThread(Thread& thread, int32_t back, int32_t priority) = 0;

    // Files: null when the file cannot be opened.  The file facility (opening, and a file in
    // the hands of one thread at a time) serves any thread.
    virtual std::unique_ptr<HostFile> OpenFile(const HostFilename& name, FileMode mode) = 0;
    virtual bool FileExists(const HostFilename& name, bool isDirectory = false) = 0;
    virtual bool DeleteFile(const HostFilename& name) = 0;
    virtual bool CopyFile(const HostFilename& from, const HostFilename& to, bool overwrite) = 0;
    virtual bool CreateDirectory(const HostFilename& name) = 0;
    // Makes every batch file closed so far (FileMode::kWriteBatch) safe on the disk, in one
    // step, and moves each into its target's place.  False when any could not take its place
    // (its target is then unchanged); `failed` names them.
    virtual bool CommitFiles(std::vector<HostFilename>& failed) = 0;
    // Opens the file with the system (command scripts run).
    virtual bool ExecuteFile(const HostFilename& name) = 0;
    // Locates a texture by name: the document's folder and its "tex" folder, then the
    // host's texture folders.  Empty when not found.
    virtual HostFilename GenerateTexturePath(const HostDocument& document, const HostString& name) = 0;
    virtual std::unique_ptr<HostBitmap> LoadBitmap(const HostFilename& name) = 0;

    // User interface.
    virtual bool FileSelect(FileSelectMode mode, const HostString& title, HostFilename& chosen) = 0;
    virtual bool QuestionDialog(const HostString& text) = 0;
    virtual void MessageDialog(const HostString& text) = 0;
    // Opens a dialog and, for a modal one, runs it until it closes: -1 when it could not be
    // opened (layout or initial values failed), else 1 when it closed with "ok", 0 otherwise.
    virtual int32_t OpenDialog(GeDialog& dialog, bool modal, int32_t pluginId) = 0;

    // Documents.
    virtual HostDocument* GetActiveDocument() = 0;
    virtual std::unique_ptr<HostObject> AllocObject(int32_t type) = 0;
    virtual std::unique_ptr<HostTag> AllocTag(int32_t type, int32_t count = 0) = 0;
    virtual std::unique_ptr<HostMaterial> AllocMaterial(int32_t type) = 0;
    virtual std::unique_ptr<HostReplacementRecord> AllocReplacementRecord() = 0;
    virtual bool SendModelingCommand(int32_t command, ModelingCommandData& data) = 0;
    // Projected texture coordinates of a texture tag for an object (one entry per polygon);
    // empty when the host gives none.
    virtual std::vector<UvwCorners> GenerateUvw(HostObject& object, const Matrix& objectMg, HostTag& textureTag,
                                                const Matrix& tagObjectMg, HostView* view) = 0;
    // Tells the host that something changed; asks it to redraw its views.
    virtual void EventAdd() = 0;
    virtual void DrawViews() = 0;

    // Resources of the module, read from its directory.
    virtual bool InitResources(const HostFilename& pluginDirectory) = 0;
    virtual void FreeResources() = 0;
    virtual HostString LoadString(int32_t id) = 0;

    // Registration.
    virtual bool RegisterCommandPlugin(int32_t id, const HostString& name, int32_t flags, const HostBitmap* icon,
                                       const HostString& help, std::unique_ptr<CommandData> command) = 0;
    virtual bool RegisterTagPlugin(int32_t id, const HostString& name, int32_t flags, TagAllocator allocator,
                                   const HostString& description, const HostBitmap* icon, int32_t reserved) = 0;
    virtual bool RegisterObjectPlugin(int32_t id, const HostString& name, int32_t flags, ObjectAllocator allocator,
                                      const HostString& description, const HostBitmap* icon,
                                      const HostBitmap* smallIcon, int32_t reserved) = 0;
};

// Handed to the entry point as p1 of action 1.  The first 32-bit word is the version.
struct HostInterfaceRecord {
    int32_t version = 0;
    int32_t size = 0;
    Host* host = nullptr;
};

inline constexpr int32_t kHostInterfaceVersion = 9800;
inline constexpr int32_t kMinimumHostInterfaceVersion = 7500;

// The record the module keeps (set by the entry point; tests set it directly).
void SetHostRecord(const HostInterfaceRecord* record);
const HostInterfaceRecord* GetHostRecord();
// The host of the kept record.  Only valid after SetHostRecord with a record that names one.
Host& TheHost();
