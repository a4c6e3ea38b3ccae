#include "headless/ui/ui.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "headless/files/files.h"
#include "headless/json/json_text.h"
#include "headless/resources/resources.h"

namespace headless {
namespace {

using json = nlohmann::json;

constexpr int kMaxDialogNesting = 64;
// Brackets inside each other in a script text.
constexpr size_t kMaxScriptNesting = 512;

bool IsInt32(const json& value) {
    if (value.is_number_unsigned()) return value.get<uint64_t>() <= INT32_MAX;
    if (!value.is_number_integer()) return false;
    int64_t v = value.get<int64_t>();
    return v >= INT32_MIN && v <= INT32_MAX;
}

std::optional<int32_t> ParseInt32(const std::string& text) {
    int32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

struct Problem {
    std::string path, text;
};

std::optional<Problem> CheckSteps(const json& steps, const std::string& path, int nesting);

std::optional<Problem> CheckDialogParts(const json& step, const std::string& path, int nesting) {
    if (!IsInt32(step["dialog"]) || step["dialog"].get<int64_t>() < 0)
        return Problem{path + ".dialog", "expected a dialog resource ID"};
    if (auto set = step.find("set"); set != step.end()) {
        if (!set->is_object()) return Problem{path + ".set", "expected an object of gadget values"};
        for (const auto& [key, value] : set->items()) {
            if (!ParseInt32(key)) return Problem{path + ".set." + key, "expected a gadget ID as the key"};
            if (!value.is_boolean() && !value.is_number() && !value.is_string())
                return Problem{path + ".set." + key, "expected true, false, a number or a text"};
        }
    }
    if (auto press = step.find("press"); press != step.end()) {
        if (press->is_array()) {
            for (size_t i = 0; i < press->size(); ++i) {
                if (!IsInt32((*press)[i]))
                    return Problem{path + ".press[" + std::to_string(i) + "]", "expected a gadget ID"};
            }
        } else if (!IsInt32(*press)) {
            return Problem{path + ".press", "expected a gadget ID"};
        }
    }
    if (auto nested = step.find("steps"); nested != step.end()) {
        if (nesting >= kMaxDialogNesting)
            return Problem{path + ".steps", "dialog steps nested deeper than " + std::to_string(kMaxDialogNesting)};
        return CheckSteps(*nested, path + ".steps", nesting + 1);
    }
    return std::nullopt;
}

std::optional<Problem> CheckStep(const json& step, const std::string& path, int nesting) {
    if (!step.is_object()) return Problem{path, "expected an object"};
    static const char* const kKinds[] = {"file", "question", "message", "dialog"};
    std::string kind;
    for (const auto& [key, value] : step.items()) {
        bool isKind = std::find(std::begin(kKinds), std::end(kKinds), key) != std::end(kKinds);
        if (isKind && !kind.empty()) return Problem{path, "\"" + kind + "\" and \"" + key + "\" in one step"};
        if (isKind) kind = key;
        else if (key != "set" && key != "press" && key != "steps") return Problem{path + "." + key, "unknown key"};
    }
    if (kind.empty()) return Problem{path, "expected one of \"file\", \"question\", \"message\", \"dialog\""};
    if (kind == "dialog") return CheckDialogParts(step, path, nesting);
    for (const char* part : {"set", "press", "steps"}) {
        if (step.contains(part)) return Problem{path + "." + part, "only a dialog step takes this key"};
    }
    const json& value = step[kind];
    if (kind == "file" && !value.is_string() && !value.is_null())
        return Problem{path + ".file", "expected a host path or null"};
    if (kind != "file" && !value.is_boolean()) return Problem{path + "." + kind, "expected true or false"};
    return std::nullopt;
}

std::optional<Problem> CheckSteps(const json& steps, const std::string& path, int nesting) {
    if (!steps.is_array()) return Problem{path, "expected a list of steps"};
    for (size_t i = 0; i < steps.size(); ++i) {
        if (auto problem = CheckStep(steps[i], path + "[" + std::to_string(i) + "]", nesting)) return problem;
    }
    return std::nullopt;
}

std::string ValueText(const ParamValue& value) {
    struct Visitor {
        std::string operator()(std::monostate) const { return ""; }
        std::string operator()(bool v) const { return v ? "true" : "false"; }
        std::string operator()(int32_t v) const { return std::to_string(v); }
        std::string operator()(float v) const {
            char buffer[32];
            auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
            return std::string(buffer, result.ptr);
        }
        std::string operator()(const Vector& v) const {
            return (*this)(v.x) + " " + (*this)(v.y) + " " + (*this)(v.z);
        }
        std::string operator()(const HostString& v) const { return v.Str(); }
        std::string operator()(const HostFilename& v) const { return v.Str(); }
        std::string operator()(HostLink v) const { return "link " + std::to_string(v.id); }
    };
    return std::visit(Visitor{}, value);
}

std::string GadgetName(const GadgetState& gadget) {
    return std::to_string(gadget.id) + (gadget.label.empty() ? "" : " " + gadget.label);
}

const char* KindName(const std::string& kind) {
    if (kind == "check") return "check box";
    if (kind == "integer") return "integer field";
    if (kind == "real") return "real field";
    if (kind == "text") return "text field";
    if (kind == "static") return "static text";
    return kind.c_str();
}

// The script's value for a gadget, as the gadget holds it; false with the problem.
bool ScriptValue(const HlDialogBackend& backend, const GadgetState& gadget, const json& value, ParamValue& out,
                 std::string& problem) {
    const std::string& kind = gadget.kind;
    std::string name = std::string(KindName(kind)) + " " + std::to_string(gadget.id);
    if (kind == "check") {
        if (value.is_boolean()) out = value.get<bool>();
        else problem = name + " takes true or false";
    } else if (kind == "integer") {
        if (IsInt32(value)) out = value.get<int32_t>();
        else problem = name + " takes a whole number";
    } else if (kind == "real") {
        if (value.is_number()) out = value.get<float>();
        else problem = name + " takes a number";
    } else if (kind == "text") {
        if (value.is_string()) out = HostString(value.get<std::string>());
        else problem = name + " takes a text";
    } else if (kind == "choice") {
        std::vector<int32_t> options = backend.ChoiceOptions(gadget.id);
        if (IsInt32(value) && (options.empty() || std::count(options.begin(), options.end(), value.get<int32_t>())))
            out = value.get<int32_t>();
        else if (options.empty()) problem = name + " takes an option ID";
        else {
            problem = name + " takes one of";
            for (size_t i = 0; i < options.size(); ++i) problem += (i ? ", " : " ") + std::to_string(options[i]);
        }
    } else {
        problem = name + " takes no value";
    }
    return problem.empty();
}

}  // namespace

// --- HlDialogBackend -------------------------------------------------------------------------

namespace {

std::optional<double> AsNumber(const ParamValue& value) {
    if (auto* b = std::get_if<bool>(&value)) return *b ? 1.0 : 0.0;
    if (auto* i = std::get_if<int32_t>(&value)) return *i;
    if (auto* f = std::get_if<float>(&value)) return *f;
    return std::nullopt;
}

std::optional<std::string> AsText(const ParamValue& value) {
    if (auto* s = std::get_if<HostString>(&value)) return s->Str();
    if (auto* f = std::get_if<HostFilename>(&value)) return f->Str();
    return std::nullopt;
}

const char* StateKind(GadgetKind kind) {
    switch (kind) {
        case GadgetKind::kText: return "text";
        case GadgetKind::kStaticText: return "static";
        case GadgetKind::kCheckBox: return "check";
        case GadgetKind::kButton: return "button";
        case GadgetKind::kInteger: return "integer";
        case GadgetKind::kReal: return "real";
        case GadgetKind::kChoice: return "choice";
        case GadgetKind::kSeparator: return "separator";
        case GadgetKind::kGroup: break;
    }
    return "group";
}

ParamValue InitialValue(const Gadget& gadget) {
    switch (gadget.kind) {
        case GadgetKind::kCheckBox: return false;
        case GadgetKind::kInteger: return int32_t{0};
        case GadgetKind::kReal: return 0.0f;
        case GadgetKind::kText: return HostString();
        case GadgetKind::kStaticText: return HostString(gadget.label);
        case GadgetKind::kChoice: return gadget.choices.empty() ? int32_t{0} : gadget.choices.front().first;
        default: return std::monostate{};
    }
}

}  // namespace

// Groups are flattened: their gadgets follow one another in file order.
bool HlDialogBackend::LoadDialogResource(int32_t id) {
    const DialogResource* resource = resources_ ? resources_->Dialog(id) : nullptr;
    if (!resource) return false;
    resourceId_ = id;
    if (!resource->title.empty()) title_ = resource->title;
    resource->ForEach([this](const Gadget& gadget) {
        if (gadget.kind == GadgetKind::kGroup) return;
        GadgetState state;
        state.id = gadget.id;
        state.kind = StateKind(gadget.kind);
        state.value = InitialValue(gadget);
        state.label = gadget.label;
        gadgets_.push_back(std::move(state));
    });
    return true;
}

bool HlDialogBackend::AddStaticText(int32_t id, int32_t, int32_t, int32_t, const HostString& text, int32_t) {
    gadgets_.push_back(GadgetState{id, "static", text, -1e300, 1e300, 1, text.Str()});
    return true;
}

bool HlDialogBackend::AddSeparatorH(int32_t) {
    gadgets_.push_back(GadgetState{0, "separator", std::monostate{}, -1e300, 1e300, 1, ""});
    return true;
}

// Values become the gadget's kind; numbers are clamped into the gadget's range.
bool HlDialogBackend::SetValue(int32_t id, const ParamValue& value) {
    GadgetState* gadget = FindGadget(id);
    if (!gadget) return false;
    const std::string& kind = gadget->kind;
    if (kind == "text" || kind == "static") {
        auto text = AsText(value);
        if (!text) return false;
        gadget->value = HostString(*text);
        if (kind == "static") gadget->label = *text;
        return true;
    }
    auto number = AsNumber(value);
    if (!number || std::isnan(*number)) return false;
    double clamped = std::clamp(*number, gadget->min, gadget->max);
    if (kind == "check") gadget->value = *number != 0.0;
    else if (kind == "real") gadget->value = static_cast<float>(clamped);
    else if (kind == "integer" || kind == "choice")
        gadget->value = static_cast<int32_t>(std::trunc(std::clamp(clamped, double{INT32_MIN}, double{INT32_MAX})));
    else return false;
    return true;
}

bool HlDialogBackend::GetValue(int32_t id, ParamValue& value) const {
    const GadgetState* gadget = FindGadget(id);
    if (!gadget || gadget->value.index() == 0) return false;
    value = gadget->value;
    return true;
}

bool HlDialogBackend::SetRange(int32_t id, double min, double max, double step) {
    GadgetState* gadget = FindGadget(id);
    if (!gadget || !(min <= max)) return false;
    gadget->min = min;
    gadget->max = max;
    gadget->step = step;
    if (gadget->kind == "integer" || gadget->kind == "real") SetValue(id, gadget->value);
    return true;
}

bool HlDialogBackend::Close(bool ok) {
    closed_ = true;
    ok_ = ok;
    return true;
}

GadgetState* HlDialogBackend::FindGadget(int32_t id) {
    return const_cast<GadgetState*>(static_cast<const HlDialogBackend*>(this)->FindGadget(id));
}

// Gadgets without an ID (0) cannot be addressed.
const GadgetState* HlDialogBackend::FindGadget(int32_t id) const {
    if (id == 0) return nullptr;
    for (const GadgetState& gadget : gadgets_) {
        if (gadget.id == id) return &gadget;
    }
    return nullptr;
}

std::vector<int32_t> HlDialogBackend::ChoiceOptions(int32_t id) const {
    std::vector<int32_t> options;
    const DialogResource* resource = resources_ && resourceId_ ? resources_->Dialog(resourceId_) : nullptr;
    if (!resource) return options;
    resource->ForEach([&](const Gadget& gadget) {
        if (gadget.id != id || gadget.kind != GadgetKind::kChoice || !options.empty()) return;
        for (const auto& choice : gadget.choices) options.push_back(choice.first);
    });
    return options;
}

}  // namespace headless

// --- ScriptedUi ----------------------------------------------------------------------------
//
// Events: "file", "question" and "message" hold the prompt and the answer ("" when the script
// gave none); "dialog" holds the title of a dialog as it opens, then one "text" event per
// gadget with a value ("ID label" and the value); "set" and "press" hold the gadget a step
// used; "close" holds the title and "ok" or "cancel"; "error" holds a problem of a step
// ("SOURCE: steps[0].set.1653: ...") or of the dialog.

namespace headless {

bool ScriptedUi::LoadScriptFile(const std::string& path, std::string& error) {
    std::string text;
    if (!ReadNativeFile(path, text)) {
        error = path + ": cannot read the file";
        return false;
    }
    return LoadScriptText(text, path, error);
}

bool ScriptedUi::LoadScriptText(const std::string& text, const std::string& source, std::string& error) {
    json steps;
    return ParseJsonText(text, source, kMaxScriptNesting, steps, error) && SetScript(steps, source, error);
}

bool ScriptedUi::SetScript(const json& steps, const std::string& source, std::string& error) {
    if (auto problem = CheckSteps(steps, "steps", 0)) {
        error = source + ": " + problem->path + ": " + problem->text;
        return false;
    }
    source_ = source;
    steps_.assign(1, steps);
    positions_.assign(1, 0);
    paths_.assign(1, "steps");
    return true;
}

size_t ScriptedUi::PendingSteps() const {
    size_t pending = 0;
    for (size_t i = 0; i < steps_.size(); ++i) pending += steps_[i].size() - positions_[i];
    return pending;
}

const json* ScriptedUi::Peek(const char* kind) const {
    if (steps_.empty() || positions_.back() >= steps_.back().size()) return nullptr;
    const json& step = steps_.back()[positions_.back()];
    return step.contains(kind) ? &step : nullptr;
}

std::string ScriptedUi::StepPath() const {
    return paths_.back() + "[" + std::to_string(positions_.back()) + "]";
}

void ScriptedUi::Record(std::string kind, std::string title, std::string answer) {
    events_.push_back(UiEvent{std::move(kind), std::move(title), std::move(answer)});
}

bool ScriptedUi::FileSelect(FileSelectMode, const std::string& title, std::string& chosen) {
    const json* step = Peek("file");
    if (step) ++positions_.back();
    bool answered = step && (*step)["file"].is_string();
    chosen = answered ? (*step)["file"].get<std::string>() : std::string();
    Record("file", title, chosen);
    return answered;
}

bool ScriptedUi::Question(const std::string& text) {
    const json* step = Peek("question");
    if (step) ++positions_.back();
    bool yes = step && (*step)["question"].get<bool>();
    Record("question", text, step ? (yes ? "yes" : "no") : "");
    return yes;
}

void ScriptedUi::Message(const std::string& text) {
    const json* step = Peek("message");
    if (step) ++positions_.back();
    Record("message", text, step ? "ok" : "");
}

void ScriptedUi::RecordGadgets(const HlDialogBackend& backend) {
    for (const GadgetState& gadget : backend.Gadgets()) {
        if (gadget.value.index() != 0) Record("text", GadgetName(gadget), ValueText(gadget.value));
    }
}

bool ScriptedUi::ApplySet(HlDialogBackend& backend, const json& set, const std::string& path) {
    for (const auto& [key, value] : set.items()) {
        int32_t id = ParseInt32(key).value_or(0);  // checked when the script was set
        GadgetState* gadget = backend.FindGadget(id);
        ParamValue converted;
        std::string problem;
        if (!gadget) problem = "dialog " + std::to_string(backend.ResourceId()) + " has no gadget " + key;
        else if (ScriptValue(backend, *gadget, value, converted, problem) && !backend.SetValue(id, converted))
            problem = "gadget " + key + " refused the value";
        if (!problem.empty()) {
            Record("error", source_ + ": " + path + "." + key + ": " + problem, "");
            return false;
        }
        Record("set", GadgetName(*gadget), ValueText(gadget->value));
    }
    return true;
}

bool ScriptedUi::DriveDialog(GeDialog& dialog, HlDialogBackend& backend, const json& step, const std::string& path) {
    if (auto set = step.find("set"); set != step.end() && !ApplySet(backend, *set, path + ".set")) return false;
    auto nested = step.find("steps");
    steps_.push_back(nested != step.end() ? *nested : json::array());
    positions_.push_back(0);
    paths_.push_back(path + ".steps");

    bool ok = true;
    json presses = json::array();
    if (auto press = step.find("press"); press != step.end()) presses = press->is_array() ? *press : json::array({*press});
    for (size_t i = 0; i < presses.size() && ok && !backend.Closed(); ++i) {
        int32_t id = presses[i].get<int32_t>();
        const GadgetState* gadget = backend.FindGadget(id);
        if (!gadget) {
            std::string at = path + ".press" + (step["press"].is_array() ? "[" + std::to_string(i) + "]" : "");
            Record("error", source_ + ": " + at + ": dialog " + std::to_string(backend.ResourceId()) +
                                " has no gadget " + std::to_string(id), "");
            ok = false;
            break;
        }
        Record("press", GadgetName(*gadget), "");
        dialog.Command(id, ParamContainer{});
    }
    for (size_t i = positions_.back(); i < steps_.back().size(); ++i) {
        Record("error",
               source_ + ": " + paths_.back() + "[" + std::to_string(i) + "]: not used while the dialog was open", "");
    }
    steps_.pop_back();
    positions_.pop_back();
    paths_.pop_back();
    return ok;
}

// The backend is detached before the call returns, also for a dialog that is not modal: it
// lives on only as LastDialog().
int32_t ScriptedUi::RunDialog(GeDialog& dialog, bool modal) {
    auto backend = std::make_unique<HlDialogBackend>(resources_);
    DialogBackend* previous = dialog.Backend();
    dialog.AttachBackend(backend.get());
    auto finish = [&](int32_t result) {
        dialog.AttachBackend(previous);
        lastDialog_ = std::move(backend);
        return result;
    };
    if (!dialog.CreateLayout()) {
        Record("error", "dialog " + std::to_string(backend->ResourceId()) + ": the layout failed", "");
        return finish(-1);
    }
    if (!dialog.InitValues()) {
        Record("error", "dialog " + std::to_string(backend->ResourceId()) + ": the initial values failed", "");
        return finish(-1);
    }
    Record("dialog", backend->Title(), "");
    RecordGadgets(*backend);
    if (!modal) return finish(1);

    if (const json* step = Peek("dialog")) {
        int64_t wanted = (*step)["dialog"].get<int64_t>();
        if (wanted == 0 || wanted == backend->ResourceId()) {
            json taken = *step;  // the step lists change while the dialog runs
            std::string path = StepPath();
            ++positions_.back();
            DriveDialog(dialog, *backend, taken, path);
        }
    }
    if (!backend->Closed()) backend->Close(false);
    Record("close", backend->Title(), backend->Result() ? "ok" : "cancel");
    return finish(backend->Result() ? 1 : 0);
}

}  // namespace headless
