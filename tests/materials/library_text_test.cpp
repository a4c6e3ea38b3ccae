// The texts a material library is read from: colour texts and the check of XML text before
// it is parsed.
#include <gtest/gtest.h>

#include <string>

#include "core/xml_guard.h"
#include "materials/library_import.h"

namespace {

TEST(LibraryColourText, ScalesDownByTheLargestComponentOnlyAboveOne) {
    struct Case {
        const char* text;
        Vector colour;
        float gain;  // -1: left as it was
    };
    const Case cases[] = {
        {"1.5 0.5 0.25", {1, 0.5f / 1.5f, 0.25f / 1.5f}, 1.5f},
        {"2 2 1", {1, 1, 0.5f}, 2},         // tie: r before g
        {"0.5 3 3", {0.5f / 3, 1, 1}, 3},   // tie: g before b
        {"1 1 4", {0.25f, 0.25f, 1}, 4},
        {"0.2 0.5 1", {0.2f, 0.5f, 1}, -1}, // nothing above 1: as read
        {"-3 0.5 0", {-3, 0.5f, 0}, -1},
        {"0.7", {0.7f, 0, 0}, -1},          // missing numbers are 0
        {"0.1 0.2", {0.1f, 0.2f, 0}, -1},
        {"a b c", {0, 0, 0}, -1},           // not numbers: what the conversion gives
        {"", {0, 0, 0}, -1},
        {" 0.3 0.4", {0.3f, 0.4f, 0}, -1},  // the first cut comes after the first character
        {"0.1  0.2 0.3", {0.1f, 0, 0.2f}, -1},  // a second blank cuts at once
    };
    for (const Case& c : cases) {
        float gain = -1;
        const std::optional<Vector> colour = ParseColourText(c.text, &gain);
        ASSERT_TRUE(colour) << c.text;
        EXPECT_FLOAT_EQ(colour->x, c.colour.x) << c.text;
        EXPECT_FLOAT_EQ(colour->y, c.colour.y) << c.text;
        EXPECT_FLOAT_EQ(colour->z, c.colour.z) << c.text;
        EXPECT_EQ(gain, c.gain) << c.text;
        EXPECT_LE(std::max({colour->x, colour->y, colour->z}), 1.0f) << c.text;
    }
    // Without a place for the gain the colour is scaled all the same.
    EXPECT_EQ(ParseColourText("4 2 1"), (Vector{1, 0.5f, 0.25f}));
}

TEST(LibraryColourText, RefusesOverlongTextsAndNumbersNoRealHolds) {
    std::string longest = "0.5 0.5 0.5";
    longest.resize(kMaxColourTextBytes, ' ');
    EXPECT_EQ(ParseColourText(longest), (Vector{0.5f, 0.5f, 0.5f}));
    EXPECT_FALSE(ParseColourText(longest + " "));
    EXPECT_FALSE(ParseColourText(std::string(100000, '9')));
    for (const char* text : {"nan 1 1", "1 inf 1", "1 1 1e39", "-1e39 0 0"}) {
        float gain = -1;
        EXPECT_FALSE(ParseColourText(text, &gain)) << text;
        EXPECT_EQ(gain, -1) << text;
    }
}

std::string Nested(size_t depth) {
    std::string text;
    for (size_t i = 0; i < depth; ++i) text += "<a>";
    for (size_t i = 0; i < depth; ++i) text += "</a>";
    return text;
}

TEST(LibraryXmlGuard, PassesPlainXml) {
    for (const std::string& text : {
             std::string("<scenedata/>"),
             std::string("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<!--c-->\n<a>\n  <b x='1' y=\"&lt;&#60;&#x3C;\"/>"
                         "<c>t &amp; u &gt; v &quot;&apos; \xC3\xA9</c><![CDATA[<not> & markup]]></a>\n<!--after-->\n"),
             Nested(xml_guard::kMaxDepth),
             std::string("<?xml version=\"1.0\"?>\n<!DOCTYPE a SYSTEM \"a.dtd\">\n<a/>"),
         }) {
        EXPECT_EQ(XmlTextProblem(text), std::nullopt) << text;
    }
}

TEST(LibraryXmlGuard, RefusesWhatTheParserCouldMisreadOrTakeTooLongOver) {
    struct Case {
        std::string text;
        const char* problem;
    };
    const Case cases[] = {
        {Nested(xml_guard::kMaxDepth + 1), "line 1: elements nested deeper than 64 levels"},
        {"<a>\n<b>\xC3</b></a>", "line 2: not UTF-8 text"},
        {"<a>\xED\xA0\x80</a>", "line 1: not UTF-8 text"},  // a surrogate
        {"<a>\xC0\xAF</a>", "line 1: not UTF-8 text"},      // overlong
        {std::string("<a>\0</a>", 8), "line 1: NUL byte"},
        {"<a>&#x41</a>", "\"&\" that starts no character reference"},
        {"<a>&#xD800;</a>", "\"&\" that starts no character reference"},
        {"<a>&#0;</a>", "\"&\" that starts no character reference"},
        {"<a>&nbsp;</a>", "\"&\" that starts no character reference"},
        {"<a x='&#x'/>", "malformed attribute in <a>"},
        {"<a x='1' x='2'/>", "attribute \"x\" repeated in <a>"},
        {"<a x=1/>", "malformed attribute in <a>"},
        {"<a/><b/>", "a second root element <b>"},
        {"<a></b>", "</b> does not close <a>"},
        {"<a>", "<a> is not closed"},
        {"<a><!-- open</a>", "comment without an end"},
        {"<!DOCTYPE a [<!ENTITY e 'x'>]><a/>", "declarations (<!...>) are not read"},
        {"<?php x ?><a/>", "processing instructions (<?...?>) are not read"},
        {"<a/><?xml version='1.0'?>", "XML declaration after the root element"},
        {"<?xml version='1.0' foo='x'?><a/>", "attribute \"foo\" in the XML declaration"},
        {"text<a/>", "text outside the root element"},
        {"<a>< b/></a>", "\"<\" that starts no element"},
        {"<![CDATA[x]]><a/>", "CDATA section outside the root element"},
        {"", "no element"},
        {"<a \xC3\xA9='1'/>", "malformed attribute in <a>"},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> problem = XmlTextProblem(c.text);
        ASSERT_TRUE(problem) << c.text;
        EXPECT_NE(problem->find(c.problem), std::string::npos) << *problem;
        EXPECT_EQ(problem->rfind("line ", 0), 0u) << *problem;
    }
}

TEST(LibraryXmlGuard, LimitsOfSizeAndAttributes) {
    xml_guard::Limits limits;
    limits.maxBytes = 16;
    EXPECT_EQ(XmlTextProblem("<a>0123456789</a>", limits), "larger than 16 bytes");
    EXPECT_EQ(XmlTextProblem("<a>012345678</a>", limits), std::nullopt);
    std::string many = "<a";
    for (size_t i = 0; i <= xml_guard::kMaxAttributes; ++i) many += " n" + std::to_string(i) + "='1'";
    EXPECT_EQ(XmlTextProblem(many + "/>"), "line 1: more than 32 attributes in <a>");
    // Thousands of unfinished references: refused at the first, at once.
    std::string references = "<a>";
    for (int i = 0; i < 200000; ++i) references += "&#x";
    EXPECT_EQ(XmlTextProblem(references + "</a>"), "line 1: \"&\" that starts no character reference");
}

}  // namespace
