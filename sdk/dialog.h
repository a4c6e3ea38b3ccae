// Dialogs.  The host lays them out (from a dialog resource or from calls of the layout
// operation) and calls InitValues once and Command for every gadget the user uses.
#pragma once

#include <cstdint>

#include "sdk/container.h"
#include "sdk/hoststring.h"

// The host's side of an open dialog.
class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    virtual bool LoadDialogResource(int32_t id) = 0;
    virtual void SetTitle(const HostString& title) = 0;
    virtual bool AddStaticText(int32_t id, int32_t flags, int32_t width, int32_t height, const HostString& text,
                               int32_t border) = 0;
    virtual bool AddSeparatorH(int32_t width) = 0;
    virtual bool SetValue(int32_t id, const ParamValue& value) = 0;
    virtual bool GetValue(int32_t id, ParamValue& value) const = 0;
    virtual bool SetRange(int32_t id, double min, double max, double step) = 0;
    virtual bool Close(bool ok) = 0;
};

class GeDialog {
public:
    virtual ~GeDialog() = default;
    virtual bool CreateLayout() { return true; }
    virtual bool InitValues() { return true; }
    virtual bool Command(int32_t /*id*/, const ParamContainer& /*message*/) { return true; }

    // Opens the dialog (type 0: modal); returns whether it could be opened.
    bool Open(int32_t type, int32_t pluginId, int32_t x, int32_t y, int32_t width, int32_t height,
              int32_t subId = 0);

    bool LoadDialogResource(int32_t id);
    void SetTitle(const HostString& title);
    bool AddStaticText(int32_t id, int32_t flags, int32_t width, int32_t height, const HostString& text,
                       int32_t border);
    bool AddSeparatorH(int32_t width);

    bool SetBool(int32_t id, bool value);
    bool SetInt32(int32_t id, int32_t value, int32_t min = INT32_MIN, int32_t max = INT32_MAX, int32_t step = 1);
    bool SetReal(int32_t id, double value, double min = -1e300, double max = 1e300, double step = 1);
    bool SetString(int32_t id, const HostString& value);
    bool GetBool(int32_t id, bool& value) const;
    bool GetInt32(int32_t id, int32_t& value) const;
    bool GetReal(int32_t id, double& value) const;
    bool GetString(int32_t id, HostString& value) const;
    bool Close(bool ok = false);

    // Set by the host while the dialog is open.
    void AttachBackend(DialogBackend* backend) { backend_ = backend; }
    DialogBackend* Backend() const { return backend_; }

private:
    DialogBackend* backend_ = nullptr;
};

class GeModalDialog : public GeDialog {
public:
    // Opens modally at a position and size (-1, -1, 0, 0: the host's defaults); returns
    // whether the dialog closed with "ok".
    bool Open(int32_t x = -1, int32_t y = -1, int32_t width = 0, int32_t height = 0);
    bool GetResult() const { return result_; }
    void SetResult(bool ok) { result_ = ok; }

private:
    bool result_ = false;
};
