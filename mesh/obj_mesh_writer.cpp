#include "mesh/obj_mesh_writer.h"

#include <string>

#include "core/format.h"
#include "core/material_name.h"
#include "core/version.h"
#include "mesh/texture_tag.h"
#include "sdk/host.h"

namespace {

constexpr const char* kCredit = "Developed by: the Vexlor team";

void ReportUnwritable(const HostFilename& path) {
    TheHost().Print("* Error: the mesh file could not be written: " + path.Str());
}

}  // namespace

int32_t ObjMeshWriter::WriteMesh(HostDocument* document, const HostFilename& directory, const HostFilename& fileName,
                                 HostObject* object, bool mergeDuplicates) {
    Host& host = TheHost();
    const int64_t start = host.GetTimer();
    if (!object) return 0;
    document_ = document;
    mesh_.emplace(document, *object, mergeDuplicates);

    if (!host.FileExists(directory, true)) host.CreateDirectory(directory);
    const HostFilename path = directory + fileName;
    file_ = host.OpenFile(path, FileMode::kWrite);
    if (!file_) {
        mesh_.reset();
        ReportUnwritable(path);
        return 0;
    }
    const int32_t threads = threads_ ? *threads_ : host.GetCpuCount();
    text_.emplace(*file_);

    const std::string name = OneLineName(object->GetName().Str());
    text_->Header(std::string("Wavefront .obj - exported by ") + kVersionLine, kCredit);
    text_->Group(name);

    ShowStage("vertices", 0);
    text_->Vertices(mesh_->Points());
    text_->Count(mesh_->Points().size(), "vertices");

    ShowStage("uv's", 10);
    mesh_->BuildCornerTables(mesh_->HasSmoothing(), threads, [this] { ShowStage("normals", 40); });
    WriteTextureCoordinateBlock();
    WriteNormalBlock();

    ShowStage("facets", 70);
    WriteFaceGroups();
    text_->Count(mesh_->Polygons().size(), "faces");

    host.StatusSetBar(100);
    // A file whose text could not all be written is not closed: dropped open, it is discarded,
    // and whatever stood at its path stays.
    const bool written = text_->Finish() && file_->Close();
    text_.reset();
    file_.reset();
    mesh_.reset();
    if (!written) {
        ReportUnwritable(path);
        return 0;
    }
    const float seconds = static_cast<float>(host.GetTimer() - start) / 1000.0f;
    host.Print("Exported mesh: " + name + ", " + FormatInt(object->GetPolygonCount()).Str() +
               " Polygons. Export Time: " + FormatSeconds(seconds).Str() + "s");
    return 1;
}

void ObjMeshWriter::ShowStage(const char* stage, int32_t percent) const {
    Host& host = TheHost();
    const HostObject& object = mesh_->Object();
    host.StatusSetText("Exporting mesh \"" + object.GetName().Str() + "\"(" + stage + "), " +
                       FormatInt(object.GetPolygonCount()).Str() + " Polygons");
    host.StatusSetBar(percent);
}

bool ObjMeshWriter::WriteTextureCoordinateBlock() {
    if (!mesh_->Uvs()) return false;
    const std::vector<Uv>& uvs = mesh_->Uvs()->values;
    text_->TextureCoordinates(uvs);
    text_->Count(uvs.size(), "texture coordinates");
    mesh_->ReleaseUvValues();
    return true;
}

bool ObjMeshWriter::WriteNormalBlock() {
    if (!mesh_->Normals()) return false;
    const std::vector<Vector>& normals = mesh_->Normals()->values;
    text_->Normals(normals);
    text_->Count(normals.size(), "normals");
    mesh_->ReleaseNormalValues();
    return true;
}

void ObjMeshWriter::WriteFaceGroups() {
    HostObject& object = mesh_->Object();
    const HostSelection rest = VisitSelectionTags(object, [&](HostTag& tag, const HostSelection& selection) {
        WriteFaceGroup(FindTextureTag(&object, document_, &tag), selection);
    });
    WriteFaceGroup(FindTextureTag(&object, document_, nullptr), rest);
}

void ObjMeshWriter::WriteFaceGroup(const HostTag* textureTag, const HostSelection& polygons) {
    text_->Material(TextureTagMaterialName(textureTag).Str());
    const auto& uvs = mesh_->Uvs();
    const auto& normals = mesh_->Normals();
    const FaceIndexTables tables{uvs ? uvs->indices.data() : nullptr, normals ? normals->indices.data() : nullptr};
    const std::span<const CPolygon> all = mesh_->Polygons();
    ForEachPolygonRange(polygons, static_cast<int32_t>(all.size()), [&](int32_t first, int32_t last) {
        text_->Faces(all, static_cast<size_t>(first), static_cast<size_t>(last), tables);
    });
}
