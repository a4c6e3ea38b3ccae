// Building the XML of scene files and material libraries, and saving it.
#pragma once

#include <string>

#include <tinyxml.h>

#include "sdk/filename.h"
#include "sdk/hoststring.h"

// The bytes of a host string as files and XML texts hold them (UTF-8).
inline std::string HostStringToBytes(const HostString& text) { return text.Str(); }

// The text of a boolean key.
inline const char* BoolText(bool value) { return value ? "true" : "false"; }

// The longest value text an element may hold, in bytes.
inline constexpr size_t kMaxValueTextBytes = 1999;

// The text with every character that XML 1.0 does not allow (control characters other than
// tab, line feed and carriage return, U+FFFE, U+FFFF, and bytes that are not UTF-8) replaced
// by U+FFFD.
std::string XmlSafeText(std::string text);

// Appends an empty element as the last child of parent.
TiXmlElement* AppendElement(TiXmlNode& parent, const char* name);
// Appends an element holding one text as the last child of parent.  The text is made safe
// (XmlSafeText); one longer than kMaxValueTextBytes is then cut after its last whole UTF-8
// character within the limit.
TiXmlElement* AppendKey(TiXmlNode& parent, const char* name, const HostString& text);
// Inserts a comment as the first child of element: the text made safe and cut as an element
// text, "--" written "- -".
void AppendObjectComment(TiXmlElement& element, const HostString& text);
// The leading part of text that fits the value-text limit.
std::string LimitValueText(const std::string& text);

// The XML declaration and the three comments every file the module writes starts with.
void AppendFileHeader(TiXmlDocument& document);
// The document's text as it is saved.
std::string XmlText(const TiXmlDocument& document);
// Saves through the host's file facility, whole or not at all; false when it failed.
bool SaveXml(const TiXmlDocument& document, const HostFilename& path);
