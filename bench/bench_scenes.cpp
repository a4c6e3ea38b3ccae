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
