#include "bench/bench_scenes.h"

#include <malloc.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

HostObject* AddGrid(headless::HeadlessHost& host, int32_t side, bool waved) {
    auto document = std::make_unique<headless::HlDocument>(&host.Registry());
    const int32_t row = side + 1;
    std::vector<Vector> points;
    points.reserve(static_cast<size_t>(row) * row);
    for (int32_t z = 0; z < row; ++z) {
        for (int32_t x = 0; x < row; ++x) {
            const float height =
                waved ? 0.05f * std::sin(0.3f * static_cast<float>(x)) * std::cos(0.2f * static_cast<float>(z)) : 0.0f;
            points.push_back({static_cast<float>(x), height, static_cast<float>(z)});
        }
    }
    std::vector<CPolygon> polygons;
    polygons.reserve(static_cast<size_t>(side) * side);
    for (int32_t z = 0; z < side; ++z) {
        for (int32_t x = 0; x < side; ++x) {
            const int32_t a = z * row + x;
            polygons.push_back({a, a + row, a + row + 1, a + 1});
        }
    }
    auto object = std::make_unique<headless::HlObject>(host_type::kPolygonObject, &host.Registry());
    object->SetName("Grid");
    object->SetGeometry(std::move(points), std::move(polygons));
    auto* uv = static_cast<headless::HlTag*>(object->MakeTag(host_type::kUvTag));
    const Vector* p = object->GetPoints();
    const float scale = 1.0f / static_cast<float>(side);
    auto at = [&](int32_t i) { return Vector{p[i].x * scale, p[i].z * scale, 0}; };
    for (int32_t i = 0; i < object->GetPolygonCount(); ++i) {
        const CPolygon& q = object->GetPolygons()[i];
        uv->Uvw()[static_cast<size_t>(i)] = {at(q.a), at(q.b), at(q.c), at(q.d)};
    }
    object->MakeTag(host_type::kSmoothingTag);
    auto material = std::make_unique<headless::HlMaterial>(host_type::kStandardMaterial);
    material->SetName("Ground Plate");
    object->MakeTag(host_type::kTextureTag)->SetMaterial(material.get());
    document->InsertMaterial(std::move(material));
    HostObject* grid = object.get();
    document->InsertObject(std::move(object), nullptr, nullptr);
    host.SetDocument(std::move(document));
    return grid;
}

void AddQuadObjects(headless::HeadlessHost& host, int32_t count) {
    auto document = std::make_unique<headless::HlDocument>(&host.Registry());
    for (int32_t i = 0; i < count; ++i) {
        auto object = std::make_unique<headless::HlObject>(host_type::kPolygonObject, &host.Registry());
        object->SetName("Part " + std::to_string(i));
        object->SetGeometry({{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 1, 2, 3}});
        object->SetPRS({static_cast<float>(i), 0, 0}, {}, {1, 1, 1});
        document->InsertObject(std::move(object), nullptr, nullptr);
    }
    host.SetDocument(std::move(document));
}

double StatusMegabytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return std::stod(line.substr(std::string(key).size())) / 1024.0;
    }
    return 0;
}

double ResetPeakMemory() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    return StatusMegabytes("VmRSS:");
}

}  // namespace bench

namespace bench {

namespace {

template <class T>
void Append(std::string& bytes, const std::vector<T>& values) {
    bytes.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
}

void AppendU32(std::string& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

bool WriteGlbGrid(const std::string& path, int32_t side) {
    const int32_t row = side + 1;
    std::vector<float> positions, normals, uvs;
    std::vector<uint32_t> indices;
    const size_t points = static_cast<size_t>(row) * row;
    positions.reserve(3 * points);
    normals.reserve(3 * points);
    uvs.reserve(2 * points);
    float low = 0, high = 0;
    for (int32_t z = 0; z < row; ++z) {
        for (int32_t x = 0; x < row; ++x) {
            const float fx = static_cast<float>(x), fz = static_cast<float>(z);
            const float y = 0.05f * std::sin(0.3f * fx) * std::cos(0.2f * fz);
            // The height's slopes give the normal (-dy/dx, 1, -dy/dz), normalised.
            const float dx = 0.015f * std::cos(0.3f * fx) * std::cos(0.2f * fz);
            const float dz = -0.01f * std::sin(0.3f * fx) * std::sin(0.2f * fz);
            const float length = std::sqrt(dx * dx + 1 + dz * dz);
            positions.insert(positions.end(), {fx, y, fz});
            normals.insert(normals.end(), {-dx / length, 1 / length, -dz / length});
            uvs.insert(uvs.end(), {fx / static_cast<float>(side), fz / static_cast<float>(side)});
            low = std::min(low, y);
            high = std::max(high, y);
        }
    }
    indices.reserve(6 * static_cast<size_t>(side) * side);
    for (int32_t z = 0; z < side; ++z) {
        for (int32_t x = 0; x < side; ++x) {
            const uint32_t a = static_cast<uint32_t>(z * row + x), b = a + 1, c = a + static_cast<uint32_t>(row),
                           d = c + 1;
            // Counter-clockwise seen from above (+y): glTF's front.
            indices.insert(indices.end(), {a, c, b, b, c, d});
        }
    }
    std::string bin;
    Append(bin, positions);
    Append(bin, normals);
    Append(bin, uvs);
    Append(bin, indices);
    const size_t p = positions.size() * 4, n = normals.size() * 4, t = uvs.size() * 4, i = indices.size() * 4;
    const std::string count = std::to_string(points);
    std::string json = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
                       R"("nodes":[{"name":"Grid","mesh":0}],)"
                       R"("meshes":[{"primitives":[{"attributes":{"POSITION":0,"NORMAL":1,"TEXCOORD_0":2},)"
                       R"("indices":3,"material":0}]}],)"
                       R"("materials":[{"name":"Ground","pbrMetallicRoughness":{"baseColorFactor":[0.8,0.7,0.6,1],)"
                       R"("metallicFactor":0,"roughnessFactor":1}}],)"
                       R"("buffers":[{"byteLength":)" + std::to_string(bin.size()) + "}],";
    json += R"("bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":)" + std::to_string(p) + "},";
    json += R"({"buffer":0,"byteOffset":)" + std::to_string(p) + R"(,"byteLength":)" + std::to_string(n) + "},";
    json += R"({"buffer":0,"byteOffset":)" + std::to_string(p + n) + R"(,"byteLength":)" + std::to_string(t) + "},";
    json += R"({"buffer":0,"byteOffset":)" + std::to_string(p + n + t) + R"(,"byteLength":)" + std::to_string(i) +
            "}],";
    json += R"("accessors":[{"bufferView":0,"componentType":5126,"count":)" + count +
            R"(,"type":"VEC3","min":[0,)" + std::to_string(low) + ",0],\"max\":[" + std::to_string(side) + "," +
            std::to_string(high) + "," + std::to_string(side) + "]},";
    json += R"({"bufferView":1,"componentType":5126,"count":)" + count + R"(,"type":"VEC3"},)";
    json += R"({"bufferView":2,"componentType":5126,"count":)" + count + R"(,"type":"VEC2"},)";
    json += R"({"bufferView":3,"componentType":5125,"count":)" + std::to_string(indices.size()) +
            R"(,"type":"SCALAR"}]})";
    while (json.size() % 4) json.push_back(' ');
    while (bin.size() % 4) bin.push_back('\0');
    std::string glb = "glTF";
    AppendU32(glb, 2);
    AppendU32(glb, static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
    AppendU32(glb, static_cast<uint32_t>(json.size()));
    glb += "JSON";
    glb += json;
    AppendU32(glb, static_cast<uint32_t>(bin.size()));
    glb.append("BIN\0", 4);
    glb += bin;
    std::ofstream out(path, std::ios::binary);
    out.write(glb.data(), static_cast<std::streamsize>(glb.size()));
    return static_cast<bool>(out);
}

}  // namespace bench
