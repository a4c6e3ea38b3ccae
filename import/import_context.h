// What the parts of an import share: the scene read from the file, the document being built,
// the conversion of the file's axes and units into the host's, and the materials made so far.
#pragma once

#include <assimp/scene.h>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "import/import_scene.h"

namespace scene_import {

// From the file's space to the host's: the file's own axes turned so that its up axis is the
// host's y, its unit made metres, and its right-handed coordinates made the host's
// left-handed ones by turning z around.  Whole placements are conjugated (C · M · C⁻¹), so a
// tree of local matrices stays a tree and nothing is mirrored in the end.
class AxisConversion {
public:
    // `toYUp` turns the file's axes into y-up ones (a rotation); `metres` is the length of one
    // file unit in metres.
    AxisConversion(const aiMatrix3x3& toYUp, double metres);

    // A point of the file in host space (scaled).
    Vector Point(const aiVector3D& p) const;
    // A direction of the file in host space (turned, not scaled, not normalised).
    Vector Direction(const aiVector3D& d) const;
    // A placement of the file (a node's local matrix) as the host's local matrix.
    Matrix Placement(const aiMatrix4x4& m) const;
    double Metres() const { return metres_; }
    // Whether the conversion mirrors (right-handed files into the left-handed host): then the
    // corners of every face are taken in the other order to keep its front.
    bool Mirrors() const { return turn_.Determinant() < 0; }

private:
    aiMatrix3x3 turn_;  // z flip after toYUp: the host's axes, determinant -1
    double metres_;
};

struct ImportContext {
    const aiScene& scene;
    headless::HlDocument& document;
    const headless::PluginRegistry* registry;
    const ImportOptions& options;
    const ImportMessages& messages;
    AxisConversion axes;
    // The native folder of the scene file: relative texture paths start there.
    std::string sourceFolder;
    std::string sourceName;  // the file's name, for messages
    const headless::FileSystem& files;

    // Per material of the scene (by index): the host material made for it (null when none).
    std::vector<headless::HlMaterial*> materials;
    // The object made for each node of the scene.
    std::unordered_map<const aiNode*, headless::HlObject*> objects;

    void Console(const std::string& line) const {
        if (messages.console) messages.console(line);
    }
    void Warning(const std::string& line) const {
        if (messages.warning) messages.warning(line);
    }
    void Progress(const std::string& stage, int percent) const {
        if (messages.progress) messages.progress(stage, percent);
    }
};

// A number of the scene's metadata, whatever its type (the readers store numbers as 32-bit
// integers, 64-bit unsigned integers, floats or doubles).
std::optional<double> MetaNumber(const aiMetadata* meta, const char* key);

// The vector at length 1; the zero vector for one too short (or too long) to say a direction.
Vector UnitVector(Vector v);
// A rotation that looks along `forward` (its z axis) with `up` made square to it as its y axis
// (the host's y, or x, where `up` runs along `forward`), x to the right of the left-handed host;
// the identity when `forward` is zero.  No offset.
Matrix FacingFrame(Vector forward, Vector up);
// A name in double quotes, for messages.
std::string Quoted(std::string_view name);
// The last child of an object (null when it has none): what a new child is inserted after.
HostObject* LastChild(const HostObject& parent);

// A type number of the module's classes by its class name (the document format's names:
// "MyLightTag", "CameraTag", "AnimationTag", "MyRenderSettings").
int32_t ModuleType(const char* className);

// The parts of an import, in the order the import runs them.

// Makes a host material for every material of the scene (ImportContext::materials), with its
// textures: embedded ones written into the textures folder, external ones made absolute host
// paths (a missing file gives one warning).
void ImportMaterials(ImportContext& context);

// The emission of a scene material (colour times strength) when it emits light.
std::optional<aiColor3D> MaterialEmission(const aiMaterial& material);

// Fills the polygon object of a node with the node's meshes: points, polygons, UVs, normals,
// and a selection and texture tag per material.  Objects whose material emits get a light tag.
void ImportNodeMeshes(ImportContext& context, const aiNode& node, headless::HlObject& object);

// Gives a light tag (a mesh light of the colour, strength included) to a polygon object.
void AddMeshLight(ImportContext& context, headless::HlObject& object, const aiColor3D& emission);

// The camera of a node: turns the node's object into a camera object looking as the file's
// camera looks, with focal length and film width from its field of view.
void ImportCamera(ImportContext& context, const aiCamera& camera, headless::HlObject& object);
// The camera's own frame in its node's space, in host axes: what ImportCamera composes into the
// node's matrix (and the animation into every frame of a moving camera).
Matrix CameraFrame(const ImportContext& context, const aiCamera& camera);
// Sets the document's camera to the file's first camera, with a camera tag holding the image
// aspect, and the render size to match.
void ChooseSceneCamera(ImportContext& context);

// The light of a node: a sun becomes the render settings' sky with the sun's direction; point,
// spot and area lights become small emitting meshes under the node's object.  One console line
// each.
void ImportLight(ImportContext& context, const aiLight& light, headless::HlObject& object);

// Node animation: the document's rate, tracks of position, rotation and scale at every frame of
// it, and an animation tag on every object that moves.  Returns the frames the animation
// covers (first, last); nullopt without animation.
std::optional<std::pair<int32_t, int32_t>> ImportAnimation(ImportContext& context);

}  // namespace scene_import
