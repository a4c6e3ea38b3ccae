#include "mesh/obj_mesh_writer.h"

#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/format.h"
#include "core/material_name.h"
#include "core/version.h"
#include "mesh/texture_tag.h"
#include "sdk/host.h"

namespace {

constexpr const char* kCredit = "Developed by: the Vexlor team";

void ShowStage(const HostObject& object, const char* stage, int32_t percent) {
    Host& host = TheHost();
    host.StatusSetText("Exporting mesh \"" + object.GetName().Str() + "\"(" + stage + "), " +
                       FormatInt(object.GetPolygonCount()).Str() + " Polygons");
    host.StatusSetBar(percent);
}

// A face group per polygon selection tag, named by the material of its texture tag, then one
// for the polygons that no selection covers; ranges cut to the polygons 0 ... count - 1.
std::vector<FaceGroup> ResolveFaceGroups(HostObject& object, HostDocument* document, int32_t count) {
    std::vector<FaceGroup> groups;
    auto add = [&](const HostTag* textureTag, const HostSelection& polygons) {
        FaceGroup group{TextureTagMaterialName(textureTag).Str(), {}};
        ForEachPolygonRange(polygons, count,
                            [&](int32_t first, int32_t last) { group.ranges.push_back({first, last}); });
        groups.push_back(std::move(group));
    };
    const HostSelection rest = VisitSelectionTags(object, [&](HostTag& tag, const HostSelection& selection) {
        add(FindTextureTag(&object, document, &tag), selection);
    });
    add(FindTextureTag(&object, document, nullptr), rest);
    return groups;
}

// The "vt" (or "vn") lines of a corner table and their count comment, then the table's values
// are freed; the indices stay for the faces.
template <class T, class Lines>
void WriteValueBlock(ObjTextWriter& text, std::optional<CornerTable<T>>& table, const char* what, Lines lines) {
    if (!table) return;
    lines(table->values);
    text.Count(table->values.size(), what);
    std::vector<T>().swap(table->values);
}

}  // namespace

namespace {

PreparedMesh Refused(MeshFileOutcome& outcome, std::string why) {
    outcome.refusal = std::move(why);
    PreparedMesh mesh;
    mesh.refused = true;
    return mesh;
}

}  // namespace

PreparedMesh PrepareMesh(HostDocument* document, const HostFilename& directory, const HostFilename& fileName,
                         HostObject& object, bool mergeDuplicates, int32_t threads, MeshFileOutcome& outcome,
                         FileMode mode, uint64_t addressLimit) {
    ObjMesh source(document, object, mergeDuplicates);
    outcome.path = directory + fileName;
    outcome.name = OneLineName(object.GetName().Str());
    outcome.polygonCount = object.GetPolygonCount();
    const bool withNormals = source.HasSmoothing();
    if (auto problem = MeshSizeProblem({source.Points().size(), source.Polygons().size(), withNormals, mergeDuplicates},
                                       addressLimit)) {
        return Refused(outcome, std::move(*problem));
    }
    try {
        PreparedMesh mesh;
        mesh.path = outcome.path;
        mesh.mode = mode;
        mesh.name = outcome.name;
        ShowStage(object, "vertices", 0);
        mesh.points.assign(source.Points().begin(), source.Points().end());
        mesh.polygons.assign(source.Polygons().begin(), source.Polygons().end());

        ShowStage(object, "uv's", 10);
        source.BuildCornerTables(withNormals, threads, [&object] { ShowStage(object, "normals", 40); });
        if (source.RanOutOfMemory()) return Refused(outcome, "memory ran out while its corners were gathered");
        mesh.uvs = source.TakeUvs();
        mesh.normals = source.TakeNormals();

        ShowStage(object, "facets", 70);
        mesh.groups = ResolveFaceGroups(object, document, static_cast<int32_t>(mesh.polygons.size()));
        return mesh;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return Refused(outcome, "memory ran out while its mesh was gathered");
}

bool WritePreparedMesh(PreparedMesh& mesh) {
    if (mesh.refused) {
        mesh = PreparedMesh();
        return false;
    }
    if (!mesh.file) mesh.file = TheHost().OpenFile(mesh.path, mesh.mode);
    if (!mesh.file) {
        mesh = PreparedMesh();
        return false;
    }
    bool written = false;
    {
        ObjTextWriter text(*mesh.file);
        text.Header(std::string("Wavefront .obj - exported by ") + kVersionLine, kCredit);
        text.Group(mesh.name);
        text.Vertices(mesh.points);
        text.Count(mesh.points.size(), "vertices");
        WriteValueBlock(text, mesh.uvs, "texture coordinates", [&](const std::vector<Uv>& uvs) {
            text.TextureCoordinates(uvs);
        });
        WriteValueBlock(text, mesh.normals, "normals", [&](const std::vector<Vector>& normals) {
            text.Normals(normals);
        });
        const FaceIndexTables tables{mesh.uvs ? mesh.uvs->indices.data() : nullptr,
                                     mesh.normals ? mesh.normals->indices.data() : nullptr};
        for (const FaceGroup& group : mesh.groups) {
            text.Material(group.material);
            for (const PolygonRange& range : group.ranges) {
                text.Faces(mesh.polygons, static_cast<size_t>(range.first), static_cast<size_t>(range.last), tables);
            }
        }
        text.Count(mesh.polygons.size(), "faces");
        // A file whose text could not all be written is not closed: dropped open, it is
        // discarded, and whatever stood at its path stays.
        written = text.Finish() && mesh.file->Close();
    }
    mesh = PreparedMesh();
    return written;
}

void ReportUnwritableMesh(const HostFilename& path, const std::string& name, const std::string& refusal) {
    std::string line = "* Error: the mesh file could not be written: " + path.Str();
    if (!refusal.empty()) line += " (object \"" + name + "\": " + refusal + ")";
    TheHost().Print(line);
}

void ReportMeshFile(const MeshFileOutcome& outcome) {
    Host& host = TheHost();
    host.StatusSetBar(100);
    if (!outcome.written) {
        ReportUnwritableMesh(outcome.path, outcome.name, outcome.refusal);
        return;
    }
    const float seconds = static_cast<float>(outcome.milliseconds) / 1000.0f;
    host.Print("Exported mesh: " + outcome.name + ", " + FormatInt(outcome.polygonCount).Str() +
               " Polygons. Export Time: " + FormatSeconds(seconds).Str() + "s");
}

int32_t ObjMeshWriter::WriteMesh(HostDocument* document, const HostFilename& directory, const HostFilename& fileName,
                                 HostObject* object, bool mergeDuplicates) {
    Host& host = TheHost();
    const int64_t start = host.GetTimer();
    if (!object) return 0;
    if (!host.FileExists(directory, true)) host.CreateDirectory(directory);
    MeshFileOutcome outcome;
    PreparedMesh mesh = PrepareMesh(document, directory, fileName, *object, mergeDuplicates,
                                    threads_ ? *threads_ : host.GetCpuCount(), outcome, mode_, addressLimit_);
    outcome.written = WritePreparedMesh(mesh);
    if (outcome.written) outcome.milliseconds = host.GetTimer() - start;
    ReportMeshFile(outcome);
    return outcome.written ? 1 : 0;
}
