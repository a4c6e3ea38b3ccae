// The import: the file read by the scene reader, its axes and unit, and the walk over its node
// tree that makes an object of every node.
#include "import/import_scene.h"

#include <assimp/Importer.hpp>
#include <assimp/ProgressHandler.hpp>
#include <assimp/postprocess.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "headless/files/files.h"
#include "headless/files/native_io.h"
#include "import/import_context.h"

namespace scene_import {

namespace {

namespace fs = std::filesystem;

// The reader's progress (0 ... 1) as the first half of the import's.
class ReadProgress final : public Assimp::ProgressHandler {
public:
    explicit ReadProgress(const ImportMessages& messages) : messages_(messages) {}
    bool Update(float fraction) override {
        const int percent = fraction < 0 ? 0 : static_cast<int>(std::lround(std::min(fraction, 1.0f) * 50));
        if (percent != last_ && messages_.progress) messages_.progress("Reading the scene", percent);
        last_ = percent;
        return true;
    }

private:
    const ImportMessages& messages_;
    int last_ = -1;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A whole number of the scene's metadata.
std::optional<int32_t> MetaInteger(const aiScene& scene, const char* key) {
    const std::optional<double> value = MetaNumber(scene.mMetaData, key);
    if (!value || !(*value >= -2 && *value <= 2)) return std::nullopt;  // axis numbers and signs
    return static_cast<int32_t>(*value);
}

// One of the file's axes as a unit vector: an axis number (0 x, 1 y, 2 z) and a sign.
aiVector3D Axis(int32_t axis, int32_t sign) {
    aiVector3D v;
    if (axis >= 0 && axis <= 2) v[static_cast<unsigned>(axis)] = sign < 0 ? -1.0f : 1.0f;
    return v;
}

// Files that name their axes (FBX: up, front and the third axis, each with a sign) are turned
// so that up is y and front is z; the others are y-up already as the reader gives them.
aiMatrix3x3 FileAxes(const aiScene& scene) {
    const auto up = MetaInteger(scene, "UpAxis");
    const auto front = MetaInteger(scene, "FrontAxis");
    const auto coord = MetaInteger(scene, "CoordAxis");
    if (!up || !front || !coord || *up == *front || *up == *coord || *front == *coord) return {};
    const aiVector3D x = Axis(*coord, MetaInteger(scene, "CoordAxisSign").value_or(1));
    const aiVector3D y = Axis(*up, MetaInteger(scene, "UpAxisSign").value_or(1));
    const aiVector3D z = Axis(*front, MetaInteger(scene, "FrontAxisSign").value_or(1));
    // The rows are the file's right, up and front: they become x, y and z.
    return aiMatrix3x3(x.x, x.y, x.z, y.x, y.y, y.z, z.x, z.y, z.z);
}

// Metres per unit of the file: FBX says how many centimetres its unit is; glTF is in metres;
// COLLADA's unit the reader has applied already; the others take the option (or metres).
double FileMetres(const aiScene& scene, const std::string& extension, const ImportOptions& options) {
    if (const auto centimetres = MetaNumber(scene.mMetaData, "UnitScaleFactor"); centimetres && *centimetres > 0) {
        return *centimetres / 100;
    }
    if (extension == ".gltf" || extension == ".glb" || extension == ".dae") return 1;
    return options.unitMetres > 0 ? options.unitMetres : 1;
}

// The root of the reader's tree carries what it did to the file's axes and unit (COLLADA's up
// axis and unit, 3DS's z-up) as a rotation and a uniform scale.  That part is folded into the
// conversion, so that the objects carry no scale of the unit; a root with more (meshes, an
// offset, an uneven scale) stays an object of its own.
bool FoldRoot(const aiScene& scene, aiMatrix3x3& axes, double& metres,
              const std::unordered_map<std::string, int>& named) {
    const aiNode& root = *scene.mRootNode;
    if (root.mNumMeshes > 0 || named.count(root.mName.C_Str())) return false;
    for (unsigned a = 0; a < scene.mNumAnimations; ++a) {
        const aiAnimation& animation = *scene.mAnimations[a];
        for (unsigned c = 0; c < animation.mNumChannels; ++c) {
            if (animation.mChannels[c]->mNodeName == root.mName) return false;  // the root moves
        }
    }
    aiVector3D scaling, position;
    aiQuaternion rotation;
    root.mTransformation.Decompose(scaling, rotation, position);
    const float s = scaling.x;
    const float tolerance = 1e-6f * std::fabs(s);
    if (!(s > 0) || std::fabs(scaling.y - s) > tolerance || std::fabs(scaling.z - s) > tolerance) return false;
    if (position.SquareLength() > 0) return false;
    axes = axes * rotation.GetMatrix();
    metres *= s;
    return true;
}

class NodeWalk {
public:
    NodeWalk(ImportContext& context, size_t nodeCount) : context_(context), count_(nodeCount) {
        const aiScene& scene = context.scene;
        for (unsigned i = 0; i < scene.mNumCameras; ++i) cameras_[scene.mCameras[i]->mName.C_Str()] = static_cast<int>(i);
        for (unsigned i = 0; i < scene.mNumLights; ++i) lights_[scene.mLights[i]->mName.C_Str()] = static_cast<int>(i);
    }
    // Makes the objects of a node and its subtree under `parent` (top level when null).
    void Walk(const aiNode& top, headless::HlObject* topParent) {
        struct Pending {
            const aiNode* node;
            headless::HlObject* parent;
        };
        std::vector<Pending> stack{{&top, topParent}};
        while (!stack.empty()) {
            const Pending item = stack.back();
            stack.pop_back();
            headless::HlObject* object = Make(*item.node, item.parent);
            // Children are pushed last to first, so that they are made (and inserted) in order.
            for (unsigned i = item.node->mNumChildren; i-- > 0;) stack.push_back({item.node->mChildren[i], object});
        }
    }

private:
    headless::HlObject* Make(const aiNode& node, headless::HlObject* parent) {
        const std::string name = node.mName.C_Str();
        const auto camera = cameras_.find(name);
        const int32_t type = camera != cameras_.end() ? host_type::kCamera
                             : node.mNumMeshes > 0   ? host_type::kPolygonObject
                                                     : host_type::kNull;
        auto owned = std::make_unique<headless::HlObject>(type, context_.registry);
        headless::HlObject* object = owned.get();
        object->SetName(name);
        object->SetMl(context_.axes.Placement(node.mTransformation));
        object->SetRelScale(AxisLengths(object->GetMl()));
        headless::HlObject* pred = parent ? static_cast<headless::HlObject*>(LastChild(*parent)) : LastTop();
        context_.document.InsertObject(std::move(owned), parent, pred);
        context_.objects[&node] = object;

        if (node.mNumMeshes > 0) ImportNodeMeshes(context_, node, *object);
        if (camera != cameras_.end()) ImportCamera(context_, *context_.scene.mCameras[camera->second], *object);
        if (const auto light = lights_.find(name); light != lights_.end()) {
            ImportLight(context_, *context_.scene.mLights[light->second], *object);
        }
        ++done_;
        const int percent = 50 + static_cast<int>(done_ * 45 / std::max<size_t>(count_, 1));
        if (percent != lastPercent_) context_.Progress("Building the document", percent);
        lastPercent_ = percent;
        return object;
    }

    static Vector AxisLengths(const Matrix& m) {
        auto length = [](Vector v) {
            return static_cast<float>(std::sqrt(static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                                                static_cast<double>(v.z) * v.z));
        };
        return {length(m.v1), length(m.v2), length(m.v3)};
    }
    headless::HlObject* LastTop() const {
        HostObject* last = context_.document.GetFirstObject();
        while (last && last->GetNext()) last = last->GetNext();
        return static_cast<headless::HlObject*>(last);
    }

    ImportContext& context_;
    size_t count_;
    size_t done_ = 0;
    int lastPercent_ = -1;
    std::unordered_map<std::string, int> cameras_, lights_;
};

size_t CountNodes(const aiNode& root) {
    size_t count = 0;
    std::vector<const aiNode*> stack{&root};
    while (!stack.empty()) {
        const aiNode* node = stack.back();
        stack.pop_back();
        ++count;
        for (unsigned i = 0; i < node->mNumChildren; ++i) stack.push_back(node->mChildren[i]);
    }
    return count;
}

}  // namespace

std::unique_ptr<headless::HlDocument> ImportScene(const std::string& nativePath, const ImportOptions& options,
                                                  const headless::FileSystem& files,
                                                  const headless::PluginRegistry* registry,
                                                  const ImportMessages& messages, std::string& error) {
    headless::native::FileInfo info;
    if (!headless::native::Stat(nativePath, info)) {
        error = nativePath + ": cannot read file: " + std::strerror(errno);
        return nullptr;
    }
    if (!info.regular) {
        error = nativePath + ": cannot read file: not a regular file";
        return nullptr;
    }

    Assimp::Importer importer;
    importer.SetPropertyBool(AI_CONFIG_IMPORT_COLLADA_USE_COLLADA_NAMES, true);
    importer.SetProgressHandler(new ReadProgress(messages));  // the importer owns it
    const aiScene* scene = importer.ReadFile(nativePath, aiProcess_ValidateDataStructure);
    if (!scene || !scene->mRootNode) {
        const std::string reason = importer.GetErrorString();
        error = nativePath + ": cannot import the scene: " + (reason.empty() ? "the file holds no scene" : reason);
        return nullptr;
    }

    std::error_code ec;
    const fs::path absolute = fs::absolute(nativePath, ec).lexically_normal();
    auto document = std::make_unique<headless::HlDocument>(registry);
    document->SetName(absolute.filename().string());
    document->SetPath(files.ToHost(absolute.parent_path().string()));

    const std::string extension = Lower(absolute.extension().string());
    aiMatrix3x3 axes = FileAxes(*scene);
    double metres = FileMetres(*scene, extension, options);
    std::unordered_map<std::string, int> named;
    for (unsigned i = 0; i < scene->mNumCameras; ++i) named[scene->mCameras[i]->mName.C_Str()] = 1;
    for (unsigned i = 0; i < scene->mNumLights; ++i) named[scene->mLights[i]->mName.C_Str()] = 1;
    const bool folded = FoldRoot(*scene, axes, metres, named);

    ImportContext context{*scene,
                          *document,
                          registry,
                          options,
                          messages,
                          AxisConversion(axes, metres),
                          absolute.parent_path().string(),
                          absolute.filename().string(),
                          files};
    ImportMaterials(context);
    NodeWalk walk(context, CountNodes(*scene->mRootNode));
    if (folded) {
        for (unsigned i = 0; i < scene->mRootNode->mNumChildren; ++i) walk.Walk(*scene->mRootNode->mChildren[i], nullptr);
    } else {
        walk.Walk(*scene->mRootNode, nullptr);
    }
    ChooseSceneCamera(context);
    if (const auto range = ImportAnimation(context)) {
        document->SetFrameRange(*range);
        document->SetTime(static_cast<double>(range->first) / document->GetFps());
    }
    context.Progress("Building the document", 100);
    return document;
}

}  // namespace scene_import
