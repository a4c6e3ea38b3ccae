// A check of XML text before TinyXml parses it.
//
// The parser descends one level of recursion per element level, looks for repeated attribute
// names one by one and is lenient in ways that make the structure it builds hard to predict.
// The scan walks the text the way a plain XML reader would and lets through only a plain
// subset: an optional XML declaration, one root element, elements with quoted attributes,
// text, comments and CDATA sections; no other "<!" or "<?" markup (the rules may let a
// document type declaration without an internal subset through).  The rules say how strict
// it is beyond that; each reader words the problems its own way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace markup {

bool IsSpace(char c);
bool IsNameStart(char c);
bool IsNameChar(char c);

// Index of the first byte that does not start a well-formed UTF-8 sequence (a cut sequence,
// an overlong form, a surrogate, a code point beyond U+10FFFF) or is NUL; npos when there is
// none.
size_t FirstBadUtf8(std::string_view text);

// A character reference ("&amp;", "&#38;", "&#x26;"): its length and the character it names.
struct Reference {
    size_t length = 0;  // 0: none at that place, or one the parser does not decode
    char32_t code = 0;
};
// The character reference at the "&" at index i.
Reference ReadReference(std::string_view text, size_t i);

// Appends the UTF-8 bytes of a code point (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t code);

struct Rules {
    size_t maxDepth = 0;                       // elements open at once
    size_t maxAttributes = 0;                  // on one element
    size_t maxDeclarationAttributes = SIZE_MAX;
    // Where an element with one attribute too many is refused: at once after that attribute,
    // or only when the tag goes on after it (a tag that the text ends in is then unfinished).
    bool extraAttributeAtOnce = true;
    bool references = false;         // "&" in text and attribute values starts a character reference
    bool uniqueAttributes = false;   // no attribute name twice in one tag
    bool cdataInsideRoot = false;    // CDATA sections only inside the root element
    bool declarationFirst = false;   // the XML declaration only before the root element
    bool declarationBlank = true;    // a blank after "<?xml" ("<?xml?>" is refused)
    bool plainDeclaration = false;   // no '>' or '&' in the declaration's attributes
    bool needsElement = false;       // text without an element is refused
    // One document type declaration before the root element: "<!DOCTYPE name>", with a
    // SYSTEM or PUBLIC identifier or without; its literals hold no '>'.  An internal subset
    // ("[...]", where entities are declared) stays refused like every other "<!" markup.
    bool documentType = false;
};

enum class Problem {
    kTextOutsideRoot,
    kBadReference,          // "&" that starts no character reference
    kUnfinishedComment,
    kUnfinishedCdata,
    kCdataOutsideRoot,
    kMarkupDeclaration,     // "<!" other than a comment, CDATA or an allowed document type
    kProcessingInstruction, // "<?" other than the XML declaration
    kDeclarationAfterRoot,
    kUnfinishedTag,         // the text ends inside a tag
    kMalformedAttribute,
    kUnknownAttribute,      // in the declaration: other than version, encoding, standalone
    kMarkupInDeclaration,   // '>' or '&' in an attribute of the declaration
    kRepeatedAttribute,
    kTooManyAttributes,
    kNoElementName,         // "<" not followed by a name
    kSecondRoot,
    kMalformedEndTag,
    kUnmatchedEndTag,
    kTooDeep,
    kNotClosed,
    kNoElement,
};

struct Finding {
    Problem problem;
    size_t at;             // the byte where the scan stopped
    size_t start;          // where the tag, section or run of text that holds it starts
    bool declaration;      // in the XML declaration
    std::string name;      // the element, or the end tag's name
    std::string other;     // the attribute, or the element an end tag does not close ("" when none is open)
};

// Nothing when the text passes; otherwise the first problem.  A byte order mark before the
// first markup is passed over.
std::optional<Finding> Scan(std::string_view text, const Rules& rules);

}  // namespace markup
