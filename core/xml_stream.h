// A document saved while it is built, for documents of many elements below one top element (a
// scene of a hundred thousand objects): each Flush writes the top element's children as they
// stand in the whole text and deletes them, so the tree only ever holds what came since the
// last flush.  The file ends up with exactly SaveXml's text, and is written whole or not at all.
#pragma once

#include <memory>
#include <string>

#include <tinyxml.h>

#include "sdk/file.h"
#include "sdk/filename.h"

class XmlStream {
public:
    // `top` is the document's top element; without a path nothing is written (the children
    // are still deleted at each flush).
    XmlStream(TiXmlDocument& document, TiXmlElement& top, HostFilename path);
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    // Writes out the top element's children (the first time, all that stands before them) and
    // deletes them.  The file is opened at the first flush.
    void Flush();
    // Writes the rest of the document and puts the file in its place; false when any of it
    // could not be written (the target is then unchanged).
    bool Finish();
    // Drops what was written and the children left: the target stays as it was.
    void Discard();

private:
    bool Write(const std::string& text);

    TiXmlDocument& document_;
    TiXmlElement& top_;
    HostFilename path_;
    std::unique_ptr<HostFile> file_;
    bool started_ = false;  // the text up to the top element's first child is written
    bool failed_ = false;
};
