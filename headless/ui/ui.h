// The scripted user interface of the headless host.
//
// A UI script answers the prompts that the module raises, in order of appearance, and drives
// the dialogs it opens.  Script (JSON), a list of steps:
//   [ {"file": "Z:\\tmp\\room.ovs"},           answers the next file dialog
//     {"file": null},                          cancels it
//     {"question": true},                      answers the next yes/no question
//     {"message": true},                       acknowledges the next message box
//     {"dialog": 10016, "set": {"1653": true, "1707": 3}, "press": 1658}
//                                              in the next dialog (its resource ID, or 0 for
//                                              any): sets gadgets, then presses a button ]
// A dialog step may hold "steps": [...] (nested prompts answered while it runs) and
// "press" may be a list of buttons pressed in turn.  A prompt that the script does not
// answer counts as cancelled; a modal dialog without a step is closed with "cancel".
// Everything shown is recorded: titles, texts, gadget values, the answers given.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sdk/container.h"
#include "sdk/dialog.h"
#include "sdk/types.h"

namespace headless {

class Resources;

// One recorded UI event.
struct UiEvent {
    std::string kind;    // "file", "question", "message", "dialog", "text", "set", "press", "close",
                         // "error"
    std::string title;   // prompt title or text
    std::string answer;  // what the script answered ("" for cancelled)
};

// A gadget of an open dialog.
struct GadgetState {
    int32_t id = 0;
    std::string kind;  // "text", "check", "button", "integer", "real", "choice", "static", "separator"
    ParamValue value;
    double min = -1e300, max = 1e300, step = 1;
    std::string label;
};

// The host side of one open dialog.
class HlDialogBackend final : public DialogBackend {
public:
    explicit HlDialogBackend(const Resources* resources) : resources_(resources) {}
    bool LoadDialogResource(int32_t id) override;
    void SetTitle(const HostString& title) override { title_ = title.Str(); }
    bool AddStaticText(int32_t id, int32_t flags, int32_t width, int32_t height, const HostString& text,
                       int32_t border) override;
    bool AddSeparatorH(int32_t width) override;
    bool SetValue(int32_t id, const ParamValue& value) override;
    bool GetValue(int32_t id, ParamValue& value) const override;
    bool SetRange(int32_t id, double min, double max, double step) override;
    bool Close(bool ok) override;

    int32_t ResourceId() const { return resourceId_; }
    const std::string& Title() const { return title_; }
    const std::vector<GadgetState>& Gadgets() const { return gadgets_; }
    GadgetState* FindGadget(int32_t id);
    const GadgetState* FindGadget(int32_t id) const;
    // The options of a choice gadget laid out from the dialog resource (empty otherwise).
    std::vector<int32_t> ChoiceOptions(int32_t id) const;
    bool Closed() const { return closed_; }
    bool Result() const { return ok_; }

private:
    const Resources* resources_;
    int32_t resourceId_ = 0;
    std::string title_;
    std::vector<GadgetState> gadgets_;
    bool closed_ = false;
    bool ok_ = false;
};

class ScriptedUi {
public:
    explicit ScriptedUi(const Resources* resources) : resources_(resources) {}
    // Loads a script; false with a message naming the file and the problem.  A script that
    // fails to load leaves the one before in place.
    bool LoadScriptFile(const std::string& path, std::string& error);
    bool LoadScriptText(const std::string& text, const std::string& source, std::string& error);
    bool SetScript(const nlohmann::json& steps, const std::string& source, std::string& error);

    bool FileSelect(FileSelectMode mode, const std::string& title, std::string& chosen);
    bool Question(const std::string& text);
    void Message(const std::string& text);
    // Lays the dialog out (CreateLayout), initialises it (InitValues) and, when modal, runs
    // the next dialog step against it; see Host::OpenDialog for the result.
    int32_t RunDialog(GeDialog& dialog, bool modal);

    const std::vector<UiEvent>& Events() const { return events_; }
    // The last dialog opened, kept after it closed (for tests).
    const HlDialogBackend* LastDialog() const { return lastDialog_.get(); }
    size_t PendingSteps() const;

private:
    // The next step of the active list when it is of the kind; null otherwise.
    const nlohmann::json* Peek(const char* kind) const;
    std::string StepPath() const;  // "steps[3].steps[0]": the step that Peek returns
    void Record(std::string kind, std::string title, std::string answer);
    void RecordGadgets(const HlDialogBackend& backend);
    // Runs one dialog step against the open dialog; false after an error in the step.
    bool DriveDialog(GeDialog& dialog, HlDialogBackend& backend, const nlohmann::json& step, const std::string& path);
    bool ApplySet(HlDialogBackend& backend, const nlohmann::json& set, const std::string& path);

    const Resources* resources_;
    std::string source_;
    std::vector<nlohmann::json> steps_;  // a stack of step lists (nested dialog steps)
    std::vector<size_t> positions_;
    std::vector<std::string> paths_;     // the key path of each list, for messages
    std::vector<UiEvent> events_;
    std::unique_ptr<HlDialogBackend> lastDialog_;
};

}  // namespace headless
