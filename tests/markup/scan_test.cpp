// The shared XML scan: each rule refuses its text when on and lets it through (or reports
// something else) when off, and problems carry both the byte at fault and where its
// construct starts.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "markup/scan.h"

namespace {

using markup::Problem;

markup::Rules Lenient() {
    markup::Rules rules;
    rules.maxDepth = 8;
    rules.maxAttributes = 8;
    rules.declarationBlank = false;
    return rules;
}

TEST(MarkupScan, EachRuleRefusesOnlyWhenOn) {
    using Set = void (*)(markup::Rules&, bool);
    struct Case {
        const char* name;
        std::string text;
        Set set;
        Problem whenOn;
        std::optional<Problem> whenOff;
    };
    const Case cases[] = {
        {"references", "<a x='&amp;'>&nbsp;</a>", [](markup::Rules& r, bool on) { r.references = on; },
         Problem::kBadReference, std::nullopt},
        {"references in values", "<a x='&#0;'/>", [](markup::Rules& r, bool on) { r.references = on; },
         Problem::kMalformedAttribute, std::nullopt},
        {"unique attributes", "<a x='1' x='2'/>", [](markup::Rules& r, bool on) { r.uniqueAttributes = on; },
         Problem::kRepeatedAttribute, std::nullopt},
        {"CDATA inside the root", "<![CDATA[x]]><a/>", [](markup::Rules& r, bool on) { r.cdataInsideRoot = on; },
         Problem::kCdataOutsideRoot, std::nullopt},
        {"declaration first", "<a/><?xml version='1'?>", [](markup::Rules& r, bool on) { r.declarationFirst = on; },
         Problem::kDeclarationAfterRoot, std::nullopt},
        {"declaration blank", "<?xml?><a/>", [](markup::Rules& r, bool on) { r.declarationBlank = on; },
         Problem::kProcessingInstruction, std::nullopt},
        {"plain declaration", "<?xml version='1>'?><a/>", [](markup::Rules& r, bool on) { r.plainDeclaration = on; },
         Problem::kMarkupInDeclaration, std::nullopt},
        {"needs an element", " \n", [](markup::Rules& r, bool on) { r.needsElement = on; }, Problem::kNoElement,
         std::nullopt},
        {"declaration attributes", "<?xml version='1' version='1'?><a/>",
         [](markup::Rules& r, bool on) { r.maxDeclarationAttributes = on ? 1 : SIZE_MAX; },
         Problem::kTooManyAttributes, std::nullopt},
        // One attribute too many and then the end of the text: refused for the attributes at
        // once, or as an unfinished tag when the limit waits for the tag to go on.
        {"extra attribute at once", "<a x='1' y='1' z='1' ",
         [](markup::Rules& r, bool on) {
             r.maxAttributes = 2;
             r.extraAttributeAtOnce = on;
         },
         Problem::kTooManyAttributes, Problem::kUnfinishedTag},
        {"extra attribute, the tag going on", "<a x='1' y='1' z='1'>",
         [](markup::Rules& r, bool on) {
             r.maxAttributes = 2;
             r.extraAttributeAtOnce = on;
         },
         Problem::kTooManyAttributes, Problem::kTooManyAttributes},
    };
    for (const Case& c : cases) {
        markup::Rules on = Lenient();
        markup::Rules off = Lenient();
        c.set(on, true);
        c.set(off, false);
        const std::optional<markup::Finding> refused = markup::Scan(c.text, on);
        ASSERT_TRUE(refused) << c.name;
        EXPECT_EQ(refused->problem, c.whenOn) << c.name;
        const std::optional<markup::Finding> passed = markup::Scan(c.text, off);
        ASSERT_EQ(passed.has_value(), c.whenOff.has_value()) << c.name;
        if (passed) {
            EXPECT_EQ(passed->problem, *c.whenOff) << c.name;
        }
    }
}

// With the rule, one document type declaration without an internal subset passes before the
// root; everything else stays a markup declaration at its "<!", as it is without the rule.
TEST(MarkupScan, DocumentTypeWithoutInternalSubsetWhenTheRuleAllowsIt) {
    const std::pair<std::string, std::optional<size_t>> cases[] = {
        {"<!DOCTYPE a><a/>", std::nullopt},  {"<!--c--><!DOCTYPE a PUBLIC '-//x' \"a.dtd\" ><a/>", std::nullopt},
        {"<!DOCTYPE a [<!ENTITY e 'x'>]><a/>", 0}, {"<!DOCTYPE a SYSTEM 'a>b'><a/>", 0}, {"<!DOCTYPE a b><a/>", 0},
        {"<!DOCTYPE a><!DOCTYPE a><a/>", 12},   {"<a><!DOCTYPE a></a>", 3},
    };
    for (const auto& [text, refusedAt] : cases) {
        markup::Rules rules = Lenient();
        rules.documentType = true;
        const std::optional<markup::Finding> found = markup::Scan(text, rules);
        EXPECT_EQ(found ? std::optional<size_t>(found->at) : std::nullopt, refusedAt) << text;
        EXPECT_EQ(markup::Scan(text, Lenient())->problem, Problem::kMarkupDeclaration) << text;
    }
}

TEST(MarkupScan, ProblemsCarryTheByteAtFaultAndTheStartOfTheirConstruct) {
    struct Case {
        std::string text;
        Problem problem;
        size_t at;
        size_t start;
        bool declaration;
    };
    const Case cases[] = {
        {"<a/>\n  x", Problem::kTextOutsideRoot, 7, 4, false},
        {"\xEF\xBB\xBF x<a/>", Problem::kTextOutsideRoot, 4, 0, false},
        {"<a>\n<b x='1' y=2/></a>", Problem::kMalformedAttribute, 15, 4, false},
        {"<?xml version='1' bad='2'?><a/>", Problem::kUnknownAttribute, 25, 0, true},
        {"<a><b x='1'", Problem::kUnfinishedTag, 3, 3, false},
        {"<a>\n<b></a>", Problem::kUnmatchedEndTag, 7, 7, false},
        {"<a><b>", Problem::kNotClosed, 3, 3, false},
    };
    for (const Case& c : cases) {
        const std::optional<markup::Finding> found = markup::Scan(c.text, Lenient());
        ASSERT_TRUE(found) << c.text;
        EXPECT_EQ(found->problem, c.problem) << c.text;
        EXPECT_EQ(found->at, c.at) << c.text;
        EXPECT_EQ(found->start, c.start) << c.text;
        EXPECT_EQ(found->declaration, c.declaration) << c.text;
    }
}

}  // namespace
