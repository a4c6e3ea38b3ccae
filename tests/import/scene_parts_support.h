// A scene of the scene reader and the objects of its nodes as the import's node walk makes
// them (file axes y up, in metres), for the tests of the cameras, lights and animation.
#pragma once

#include <assimp/Importer.hpp>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "headless/files/files.h"
#include "import/import_context.h"
#include "sdk/types.h"

namespace scene_import {

// A data URI of little-endian 32-bit floats, for a glTF buffer.
inline std::string FloatDataUri(const std::vector<float>& values) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes(values.size() * 4, '\0'), out = "data:application/octet-stream;base64,";
    std::memcpy(bytes.data(), values.data(), bytes.size());
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k) group = group << 8 | (i + k < bytes.size() ? uint8_t(bytes[i + k]) : 0u);
        for (size_t k = 0; k < 4; ++k) out += i + k <= bytes.size() ? kDigits[group >> (18 - 6 * k) & 63] : '=';
    }
    return out;
}

class ScenePartsImport {
public:
    ScenePartsImport(const std::string& text, const char* extension, ImportOptions options = {}) : options_(options) {
        scene_ = importer_.ReadFileFromMemory(text.data(), text.size(), 0, extension);
        EXPECT_NE(scene_, nullptr) << importer_.GetErrorString();
        Build();
    }
    explicit ScenePartsImport(const aiScene& scene, ImportOptions options = {}) : options_(options), scene_(&scene) {
        Build();
    }

    bool Ok() const { return context_ != nullptr; }
    ImportContext& Context() const { return *context_; }
    const aiScene& Scene() const { return *scene_; }
    headless::HlDocument& Document() { return document_; }
    headless::HlObject& Object(const char* node) { return *context_->objects.at(scene_->mRootNode->FindNode(node)); }

    std::vector<std::string> console, warnings;

private:
    void Build() {
        if (!scene_ || !scene_->mRootNode) return;
        messages_.console = [this](const std::string& line) { console.push_back(line); };
        messages_.warning = [this](const std::string& line) { warnings.push_back(line); };
        context_ = std::make_unique<ImportContext>(ImportContext{*scene_, document_, nullptr, options_, messages_,
                                                                 AxisConversion(aiMatrix3x3(), 1.0), "", "scene",
                                                                 files_, {}, {}});
        AddNode(*scene_->mRootNode, nullptr);
    }
    void AddNode(const aiNode& node, headless::HlObject* parent) {
        int32_t type = node.mNumMeshes > 0 ? host_type::kPolygonObject : host_type::kNull;
        for (unsigned i = 0; i < scene_->mNumCameras; ++i) {
            if (scene_->mCameras[i]->mName == node.mName) type = host_type::kCamera;
        }
        auto object = std::make_unique<headless::HlObject>(type, nullptr);
        headless::HlObject* made = object.get();
        made->SetName(node.mName.C_Str());
        made->SetMl(context_->axes.Placement(node.mTransformation));
        document_.InsertObject(std::move(object), parent, nullptr);
        context_->objects[&node] = made;
        for (unsigned i = 0; i < node.mNumChildren; ++i) AddNode(*node.mChildren[i], made);
    }

    Assimp::Importer importer_;
    ImportOptions options_;
    ImportMessages messages_;
    const aiScene* scene_ = nullptr;
    headless::HlDocument document_{nullptr};
    headless::FileSystem files_;
    std::unique_ptr<ImportContext> context_;
};

inline void ExpectNear(Vector actual, Vector expected, double tolerance = 1e-4) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}
inline void ExpectNear(const Matrix& actual, const Matrix& expected) {
    for (auto part : {&Matrix::off, &Matrix::v1, &Matrix::v2, &Matrix::v3}) ExpectNear(actual.*part, expected.*part);
}

}  // namespace scene_import
