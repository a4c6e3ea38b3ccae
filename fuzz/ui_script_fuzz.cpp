// Loads arbitrary JSON text as a UI script (nesting checked before the parser sees it) and,
// when it is valid, lets it answer prompts and drive a small dialog.
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "headless/json/json_text.h"
#include "headless/ui/ui.h"

namespace {

class FuzzDialog : public GeDialog {
public:
    explicit FuzzDialog(headless::ScriptedUi* ui) : ui_(ui) {}
    bool CreateLayout() override {
        SetTitle("Fuzz");
        return AddStaticText(1, 0, 0, 0, "one", 0) && AddStaticText(2, 0, 0, 0, "two", 0) && AddSeparatorH(0);
    }
    bool Command(int32_t id, const ParamContainer&) override {
        std::string chosen;
        if (id == 1) ui_->FileSelect(FileSelectMode::kLoad, "Inner", chosen);
        if (id == 2) Close(ui_->Question("Close?"));
        return true;
    }

private:
    headless::ScriptedUi* ui_;
};

void Drive(headless::ScriptedUi& ui) {
    std::string chosen;
    for (int round = 0; round < 4 && ui.PendingSteps() > 0; ++round) {
        ui.FileSelect(FileSelectMode::kSave, "Save", chosen);
        ui.Question("Sure?");
        ui.Message("Done");
        FuzzDialog dialog(&ui);
        int32_t result = ui.RunDialog(dialog, true);
        if (result < 0 || result > 1 || dialog.Backend() != nullptr) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    nlohmann::json steps;
    if (!headless::ParseJsonText(text, "fuzz.json", 512, steps, error)) {
        if (error.rfind("fuzz.json:", 0) != 0) __builtin_trap();
        return 0;
    }
    headless::ScriptedUi ui(nullptr);
    if (ui.SetScript(steps, "fuzz.json", error)) Drive(ui);

    headless::ScriptedUi positioned(nullptr);
    if (positioned.LoadScriptText(text, "fuzz.json", error)) Drive(positioned);
    else if (error.rfind("fuzz.json", 0) != 0) __builtin_trap();
    return 0;
}
