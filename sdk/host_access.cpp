// The module's side of the host interface: the kept record, and the operations of the
// base classes that call into the host.
#include <cstdlib>

#include "sdk/host.h"

namespace {
const HostInterfaceRecord* g_record = nullptr;
}

void SetHostRecord(const HostInterfaceRecord* record) { g_record = record; }
const HostInterfaceRecord* GetHostRecord() { return g_record; }

Host& TheHost() {
    if (!g_record || !g_record->host) std::abort();  // a call into the host before set-up
    return *g_record->host;
}

bool Thread::Start(int32_t back, int32_t priority) { return TheHost().StartThread(*this, back, priority); }

bool GeDialog::Open(int32_t type, int32_t pluginId, int32_t /*x*/, int32_t /*y*/, int32_t /*width*/,
                    int32_t /*height*/, int32_t /*subId*/) {
    return TheHost().OpenDialog(*this, type == 0, pluginId) >= 0;
}

bool GeModalDialog::Open(int32_t /*x*/, int32_t /*y*/, int32_t /*width*/, int32_t /*height*/) {
    SetResult(TheHost().OpenDialog(*this, true, 0) == 1);
    return GetResult();
}

bool GeDialog::LoadDialogResource(int32_t id) { return backend_ && backend_->LoadDialogResource(id); }
void GeDialog::SetTitle(const HostString& title) {
    if (backend_) backend_->SetTitle(title);
}
bool GeDialog::AddStaticText(int32_t id, int32_t flags, int32_t width, int32_t height, const HostString& text,
                             int32_t border) {
    return backend_ && backend_->AddStaticText(id, flags, width, height, text, border);
}
bool GeDialog::AddSeparatorH(int32_t width) { return backend_ && backend_->AddSeparatorH(width); }

bool GeDialog::SetBool(int32_t id, bool value) { return backend_ && backend_->SetValue(id, value); }
bool GeDialog::SetInt32(int32_t id, int32_t value, int32_t min, int32_t max, int32_t step) {
    return backend_ && backend_->SetRange(id, min, max, step) && backend_->SetValue(id, value);
}
bool GeDialog::SetReal(int32_t id, double value, double min, double max, double step) {
    return backend_ && backend_->SetRange(id, min, max, step) &&
           backend_->SetValue(id, static_cast<float>(value));
}
bool GeDialog::SetString(int32_t id, const HostString& value) { return backend_ && backend_->SetValue(id, value); }

namespace {
template <class T>
bool ReadGadget(const DialogBackend* backend, int32_t id, T& out) {
    ParamValue value;
    if (!backend || !backend->GetValue(id, value)) return false;
    ParamContainer one;
    one.SetValue(0, value);
    out = one.Get<T>(0, out);
    return true;
}
}  // namespace

bool GeDialog::GetBool(int32_t id, bool& value) const { return ReadGadget(backend_, id, value); }
bool GeDialog::GetInt32(int32_t id, int32_t& value) const { return ReadGadget(backend_, id, value); }
bool GeDialog::GetReal(int32_t id, double& value) const {
    float real = static_cast<float>(value);
    bool ok = ReadGadget(backend_, id, real);
    value = real;
    return ok;
}
bool GeDialog::GetString(int32_t id, HostString& value) const { return ReadGadget(backend_, id, value); }
bool GeDialog::Close(bool ok) { return backend_ && backend_->Close(ok); }
