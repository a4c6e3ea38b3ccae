// A headless host with the module's code linked in (not loaded from the plug-ins folder):
// the module's classes registered, a scratch directory, and helpers to load documents.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "headless/host/host.h"
#include "headless/json/document_json.h"

namespace testing_support {

// The repository's files (test data, resources).
std::string SourcePath(const std::string& relative);
std::string ReadText(const std::string& nativePath);

class ModuleTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads a document from JSON text and makes it the host's active document.
    headless::HlDocument& LoadDocument(const std::string& json);
    // A host path inside the scratch directory.
    HostFilename HostPath(const std::string& name) const;
    std::string NativePath(const std::string& name) const { return (scratch_ / name).string(); }
    std::string ConsoleText() const;
    // A file the module wrote into its own directory.
    std::string ModuleFile(const std::string& name) const { return (scratch_ / "module" / name).string(); }

    headless::HeadlessHost host_;
    std::filesystem::path scratch_;
};

}  // namespace testing_support
