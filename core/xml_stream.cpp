#include "core/xml_stream.h"

#include "core/xml.h"
#include "sdk/host.h"

namespace {

// The text of `element` without its own first and last lines: its children, indented as
// they stand in the whole document when the element is a child of the document itself.
std::string ChildrenText(const TiXmlElement& element) {
    TiXmlPrinter printer;
    printer.SetIndent("    ");
    element.Accept(&printer);
    const std::string& text = printer.Str();
    const size_t first = text.find('\n') + 1;
    const size_t last = text.rfind('\n', text.size() - 2) + 1;
    return text.substr(first, last - first);
}

}  // namespace

XmlStream::XmlStream(TiXmlDocument& document, TiXmlElement& top, HostFilename path)
    : document_(document), top_(top), path_(std::move(path)) {}

void XmlStream::Flush() {
    // An element without children prints on one line ("<scene />"): nothing to write yet.
    if (!top_.FirstChild()) return;
    if (!started_) {
        // The whole text so far, without the closing line of the top element.
        std::string text = XmlText(document_);
        text.resize(text.rfind('\n', text.size() - 2) + 1);
        Write(text);
        started_ = true;
    } else {
        Write(ChildrenText(top_));
    }
    top_.Clear();
}

bool XmlStream::Finish() {
    if (!started_) {
        // Never flushed: the document is small and written in one piece.
        Write(XmlText(document_));
    } else {
        if (top_.FirstChild()) Write(ChildrenText(top_));
        Write(std::string("</") + top_.Value() + ">\n");
    }
    if (!file_ || failed_) {
        Discard();
        return false;
    }
    top_.Clear();
    const bool closed = file_->Close();
    file_.reset();
    return closed;
}

void XmlStream::Discard() {
    top_.Clear();
    file_.reset();
}

bool XmlStream::Write(const std::string& text) {
    if (path_.IsEmpty() || failed_) return false;
    if (!file_) file_ = TheHost().OpenFile(path_, FileMode::kWrite);
    failed_ = !file_ || !file_->Write(text);
    return !failed_;
}
