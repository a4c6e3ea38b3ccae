#include "headless/check/scene_xml.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "headless/resources/resource_xml.h"
#include "markup/scan.h"

namespace headless::check {

namespace {

constexpr size_t kMaxDepth = 256;
constexpr size_t kMaxAttributes = 64;

// Line and column (both from 1; the column counts bytes) of a byte index.
void Position(std::string_view text, size_t index, int& line, int& column) {
    line = 1;
    size_t lineStart = 0;
    const size_t end = std::min(index, text.size());
    for (size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    column = static_cast<int>(end - lineStart) + 1;
}

int CountLines(std::string_view text, size_t from, size_t to) {
    return static_cast<int>(std::count(text.begin() + static_cast<std::ptrdiff_t>(from),
                                       text.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
}

// Text with its character references decoded (the scan has let through only valid ones).
void AppendDecoded(std::string& out, std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const markup::Reference reference = text[i] == '&' ? markup::ReadReference(text, i) : markup::Reference{};
        if (reference.length == 0) {
            out += text[i];
            continue;
        }
        markup::AppendUtf8(out, reference.code);
        i += reference.length - 1;
    }
}

// An open element and the text gathered for it: a view of one run of the source while there
// is one plain run, else the decoded concatenation.  An element with children keeps no text
// (what stands between children is layout).
struct Frame {
    XmlElement element;
    std::string_view run;
    std::string owned;
    bool usesOwned = false;

    void AddText(std::string_view text, bool raw) {
        if (text.empty() || element.hasChildren) return;
        const bool plain = raw || text.find('&') == std::string_view::npos;
        if (!usesOwned && run.empty() && plain) {
            run = text;
            return;
        }
        if (!usesOwned) {
            owned.assign(run);
            usesOwned = true;
        }
        if (plain) owned.append(text);
        else AppendDecoded(owned, text);
    }
    std::string_view Text() const { return usesOwned ? std::string_view(owned) : run; }
};

// The end of the tag that starts at `from` (the index of its '>'), quoted values skipped.
size_t TagEnd(std::string_view text, size_t from) {
    char quote = 0;
    for (size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i;
        }
    }
    return text.size();
}

class Reader {
public:
    Reader(std::string_view text, XmlVisitor& visitor) : text_(text), visitor_(visitor) {}

    void Run() {
        size_t pos = 0;
        const size_t n = text_.size();
        while (pos < n) {
            const size_t lt = text_.find('<', pos);
            const size_t runEnd = lt == std::string_view::npos ? n : lt;
            if (!stack_.empty()) stack_.back().AddText(text_.substr(pos, runEnd - pos), false);
            line_ += CountLines(text_, pos, runEnd);
            if (lt == std::string_view::npos) break;
            pos = Markup(lt);
        }
    }

private:
    // Reads the markup at `lt`; the index after it.
    size_t Markup(size_t lt) {
        const std::string_view rest = text_.substr(lt);
        if (rest.starts_with("<!--")) return Skip(lt, "-->");
        if (rest.starts_with("<![CDATA[")) {
            const size_t end = std::min(text_.find("]]>", lt + 9), text_.size());
            if (!stack_.empty()) stack_.back().AddText(text_.substr(lt + 9, end - lt - 9), true);
            return Skip(lt, "]]>");
        }
        if (rest.starts_with("<?") || rest.starts_with("<!")) return Skip(lt, ">");
        const size_t gt = TagEnd(text_, lt + 1);
        const int tagLine = line_;
        line_ += CountLines(text_, lt, gt);
        if (rest.starts_with("</")) {
            CloseTop();
            return gt + 1;
        }
        size_t nameEnd = lt + 1;
        while (nameEnd < gt && markup::IsNameChar(text_[nameEnd])) ++nameEnd;
        Frame frame;
        frame.element.name = text_.substr(lt + 1, nameEnd - lt - 1);
        frame.element.line = tagLine;
        frame.element.depth = stack_.size();
        if (!stack_.empty()) {
            Frame& parent = stack_.back();
            parent.element.hasChildren = true;
            parent.run = {};
            parent.owned.clear();
            parent.usesOwned = false;
        }
        stack_.push_back(std::move(frame));
        visitor_.Open(stack_.back().element, Parent());
        if (gt > lt + 1 && text_[gt - 1] == '/') CloseTop();
        return gt + 1;
    }

    size_t Skip(size_t from, std::string_view end) {
        size_t stop = text_.find(end, from + 2);
        stop = stop == std::string_view::npos ? text_.size() : stop + end.size();
        line_ += CountLines(text_, from, stop);
        return stop;
    }

    const XmlElement* Parent() const { return stack_.size() < 2 ? nullptr : &stack_[stack_.size() - 2].element; }

    void CloseTop() {
        if (stack_.empty()) return;
        Frame& top = stack_.back();
        top.element.text = top.Text();
        visitor_.Close(top.element, Parent());
        stack_.pop_back();
    }

    std::string_view text_;
    XmlVisitor& visitor_;
    std::vector<Frame> stack_;
    int line_ = 1;
};

}  // namespace

std::optional<XmlProblem> ReadXml(std::string_view text, XmlVisitor& visitor) {
    markup::Rules rules;
    rules.maxDepth = kMaxDepth;
    rules.maxAttributes = kMaxAttributes;
    rules.references = true;
    rules.uniqueAttributes = true;
    rules.declarationFirst = true;
    rules.needsElement = true;
    if (const std::optional<markup::Finding> found = markup::Scan(text, rules)) {
        const bool atFault = !found->declaration && found->problem == markup::Problem::kMalformedAttribute;
        XmlProblem problem;
        Position(text, atFault ? found->at : found->start, problem.line, problem.column);
        problem.text = "malformed XML: " + MarkupProblemText(*found, kMaxDepth, kMaxAttributes);
        return problem;
    }
    Reader(text, visitor).Run();
    return std::nullopt;
}

}  // namespace headless::check
