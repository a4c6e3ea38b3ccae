#include "headless/host/host.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>

#include "headless/files/native_io.h"
#include "headless/resources/bitmap.h"

namespace headless {

namespace {

// Why a picture file did not load: the system's reason when it cannot be read, else what
// the bitmap loader refuses (it tells no more than that).
std::string UnloadableReason(const std::string& nativePath) {
    const int fd = native::OpenRead(nativePath);
    if (fd < 0) return std::generic_category().message(errno);
    char byte = 0;
    const int64_t got = native::ReadSome(fd, &byte, 1);
    const int error = errno;
    native::Close(fd);
    if (got < 0) return std::generic_category().message(error);
    return "not a TIFF or PNG picture that loads (another kind of file, damaged or too large)";
}

}  // namespace

HeadlessHost::HeadlessHost() : ui_(&resources_) {
    record_.version = kHostInterfaceVersion;
    record_.size = static_cast<int32_t>(sizeof(HostInterfaceRecord));
    record_.host = this;
    registry_.SetTypeLookup([this](int32_t pluginId, int32_t paramId) {
        const DescriptionResource* description = resources_.DescriptionById(pluginId);
        const DescriptionParam* param = description ? description->Find(paramId) : nullptr;
        return param ? param->type : ParamType::kNone;
    });
}

HeadlessHost::~HeadlessHost() {
    document_.reset();
    registry_.Clear();
}

void HeadlessHost::Print(const HostString& line) {
    if (keepRecords_) console_.push_back(line.Str());
    if (consoleSink_) consoleSink_(line.Str());
}

void HeadlessHost::RecordStatus(StatusEvent event) {
    if (statusSink_) statusSink_(event);
    if (keepRecords_) status_.push_back(std::move(event));
}

void HeadlessHost::StatusSetText(const HostString& text) { RecordStatus({StatusEvent::Kind::kText, text.Str(), 0}); }
void HeadlessHost::StatusSetBar(int32_t percent) { RecordStatus({StatusEvent::Kind::kBar, {}, percent}); }
void HeadlessHost::StatusClear() { RecordStatus({StatusEvent::Kind::kClear, {}, 0}); }

void HeadlessHost::ClearRecords() {
    console_.clear();
    status_.clear();
}

int64_t HeadlessHost::GetTimer() {
    if (fakeTimer_) return fakeTimer_();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int32_t HeadlessHost::GetCpuCount() {
    // Asked once per mesh: the system is asked once (it reads a file each time).
    static const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : static_cast<int32_t>(count);
}

void* HeadlessHost::Alloc(size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block) ++liveBlocks_;
    return block;
}

void HeadlessHost::Free(void* block) {
    if (!block) return;
    --liveBlocks_;
    std::free(block);
}

bool HeadlessHost::StartThread(Thread& thread, int32_t /*back*/, int32_t /*priority*/) {
    // The run happens on a thread of its own; the call returns only after it has ended.
    std::thread worker([&thread] { thread.Main(); });
    worker.join();
    return true;
}

std::unique_ptr<HostFile> HeadlessHost::OpenFile(const HostFilename& name, FileMode mode) {
    return files_.Open(name, mode);
}

bool HeadlessHost::FileExists(const HostFilename& name, bool isDirectory) { return files_.Exists(name, isDirectory); }
bool HeadlessHost::DeleteFile(const HostFilename& name) { return files_.Delete(name); }
bool HeadlessHost::CopyFile(const HostFilename& from, const HostFilename& to, bool overwrite) {
    return files_.Copy(from, to, overwrite);
}
bool HeadlessHost::CreateDirectory(const HostFilename& name) { return files_.CreateDirectory(name); }
bool HeadlessHost::CommitFiles(std::vector<HostFilename>& failed) { return files_.CommitBatch(failed); }

bool HeadlessHost::ExecuteFile(const HostFilename& name) {
    std::string message;
    bool ok = files_.Execute(name, message);
    if (!message.empty()) Print(message);
    return ok;
}

HostFilename HeadlessHost::GenerateTexturePath(const HostDocument& document, const HostString& name) {
    return files_.FindTexture(document.GetPath(), name);
}

std::unique_ptr<HostBitmap> HeadlessHost::LoadBitmap(const HostFilename& name) {
    const auto native = files_.ToNative(name);
    std::unique_ptr<HostBitmap> bitmap;
    if (native) bitmap = LoadBitmapFile(*native);
    if (!bitmap && registering_) {
        const std::string reason = native ? UnloadableReason(*native) : "no drive of this machine holds it";
        registrationProblems_.push_back((native ? *native : name.Str()) + ": cannot read the icon: " + reason);
    }
    return bitmap;
}

void HeadlessHost::BeginRegistration() {
    registrationProblems_.clear();
    registering_ = true;
}

bool HeadlessHost::KnowsDescription(int32_t id, const HostString& description) {
    if (resources_.DescriptionByName(description.Str())) return true;
    registrationProblems_.push_back("the module's resources hold no description \"" + description.Str() +
                                    "\" (class " + std::to_string(id) + " is not registered)");
    return false;
}

bool HeadlessHost::FileSelect(FileSelectMode mode, const HostString& title, HostFilename& chosen) {
    std::string answer;
    if (!ui_.FileSelect(mode, title.Str(), answer)) return false;
    chosen = HostFilename(answer);
    return true;
}

bool HeadlessHost::QuestionDialog(const HostString& text) { return ui_.Question(text.Str()); }
void HeadlessHost::MessageDialog(const HostString& text) { ui_.Message(text.Str()); }
int32_t HeadlessHost::OpenDialog(GeDialog& dialog, bool modal, int32_t /*pluginId*/) {
    return ui_.RunDialog(dialog, modal);
}

std::unique_ptr<HostObject> HeadlessHost::AllocObject(int32_t type) {
    return std::make_unique<HlObject>(type, &registry_);
}

std::unique_ptr<HostTag> HeadlessHost::AllocTag(int32_t type, int32_t count) {
    return std::make_unique<HlTag>(type, &registry_, count);
}

std::unique_ptr<HostMaterial> HeadlessHost::AllocMaterial(int32_t type) { return std::make_unique<HlMaterial>(type); }

std::unique_ptr<HostReplacementRecord> HeadlessHost::AllocReplacementRecord() {
    return std::make_unique<HlReplacementRecord>();
}

bool HeadlessHost::SendModelingCommand(int32_t command, ModelingCommandData& data) {
    if (command != kMakeEditableCommand) return false;
    auto* document = dynamic_cast<HlDocument*>(data.document);
    auto* object = dynamic_cast<HlObject*>(data.object);
    if (!document || !object) return false;
    HlObject* result = nullptr;
    return MakeEditable(*document, *object, &result);
}

bool HeadlessHost::InitResources(const HostFilename& pluginDirectory) {
    auto native = files_.ToNative(pluginDirectory);
    if (!native) {
        resources_.Clear();
        return false;
    }
    return resources_.Load(*native);
}

void HeadlessHost::FreeResources() { resources_.Clear(); }

HostString HeadlessHost::LoadString(int32_t id) { return resources_.String(id); }

bool HeadlessHost::RegisterCommandPlugin(int32_t id, const HostString& name, int32_t flags, const HostBitmap* icon,
                                         const HostString& help, std::unique_ptr<CommandData> command) {
    if (!command) return false;
    PluginEntry entry;
    entry.kind = PluginKind::kCommand;
    entry.id = id;
    entry.name = name;
    entry.flags = flags;
    entry.help = help;
    entry.hasIcon = icon != nullptr;
    entry.command = std::move(command);
    return registry_.Add(std::move(entry));
}

bool HeadlessHost::RegisterTagPlugin(int32_t id, const HostString& name, int32_t flags, TagAllocator allocator,
                                     const HostString& description, const HostBitmap* icon, int32_t /*reserved*/) {
    if (!KnowsDescription(id, description)) return false;
    PluginEntry entry;
    entry.kind = PluginKind::kTag;
    entry.id = id;
    entry.name = name;
    entry.flags = flags;
    entry.description = description;
    entry.hasIcon = icon != nullptr;
    entry.tagAllocator = allocator;
    return registry_.Add(std::move(entry));
}

bool HeadlessHost::RegisterObjectPlugin(int32_t id, const HostString& name, int32_t flags, ObjectAllocator allocator,
                                        const HostString& description, const HostBitmap* icon,
                                        const HostBitmap* smallIcon, int32_t /*reserved*/) {
    if (!KnowsDescription(id, description)) return false;
    PluginEntry entry;
    entry.kind = PluginKind::kObject;
    entry.id = id;
    entry.name = name;
    entry.flags = flags;
    entry.description = description;
    entry.hasIcon = icon != nullptr;
    entry.hasSmallIcon = smallIcon != nullptr;
    entry.objectAllocator = allocator;
    return registry_.Add(std::move(entry));
}

}  // namespace headless
