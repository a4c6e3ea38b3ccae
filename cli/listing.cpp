#include "cli/listing.h"

#include <cstdio>
#include <sstream>

namespace cli {

namespace {

const char* KindName(headless::PluginKind kind) {
    switch (kind) {
        case headless::PluginKind::kCommand: return "command";
        case headless::PluginKind::kTag: return "tag";
        case headless::PluginKind::kObject: return "object";
    }
    return "?";
}

std::string TypeName(int32_t type, const headless::PluginRegistry& registry) {
    switch (type) {
        case host_type::kPolygonObject: return "polygon";
        case host_type::kCamera: return "camera";
        case host_type::kFloor: return "floor";
        case host_type::kInstance: return "instance";
        case host_type::kNull: return "null";
        case host_type::kSphere: return "sphere";
        case host_type::kCube: return "cube";
        case host_type::kSmoothingTag: return "smoothing";
        case host_type::kTextureTag: return "texture";
        case host_type::kUvTag: return "uvw";
        case host_type::kPolygonSelectionTag: return "selection";
        case host_type::kNormalTag: return "normal";
        case host_type::kStandardMaterial: return "standard";
        case host_type::kMaterialBase: return "base";
        default: break;
    }
    for (const auto& cls : headless::ModuleClasses()) {
        if (cls.id == type) return cls.name;
    }
    if (const auto* entry = registry.Find(type)) return entry->name.Str();
    return std::to_string(type);
}

std::string Number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string Vec(Vector v) { return "(" + Number(v.x) + ", " + Number(v.y) + ", " + Number(v.z) + ")"; }

std::string TagSummary(const HostTag& tag, const headless::PluginRegistry& registry) {
    std::string text = TypeName(tag.GetType(), registry);
    if (tag.GetType() == host_type::kTextureTag) {
        const HostMaterial* material = tag.GetMaterial();
        text += "(" + (material ? material->GetName().Str() : std::string("no material")) + ")";
    } else if (!tag.GetName().IsEmpty()) {
        text += "(" + tag.GetName().Str() + ")";
    }
    return text;
}

void ListObjects(std::ostringstream& out, const HostObject* object, int depth,
                 const headless::PluginRegistry& registry) {
    for (; object; object = object->GetNext()) {
        std::string indent(static_cast<size_t>(2 * depth + 4), ' ');
        out << indent << "\"" << object->GetName().Str() << "\" " << TypeName(object->GetType(), registry);
        if (object->GetRenderMode() == render_mode::kOff) out << ", render off";
        if (object->GetRenderMode() == render_mode::kOn) out << ", render on";
        out << ", at " << Vec(object->GetMg().off);
        if (object->GetPolygonCount() > 0) {
            out << ", " << object->GetPointCount() << " points, " << object->GetPolygonCount() << " polygons";
        }
        out << "\n";
        std::string tags;
        for (const HostTag* tag = object->GetFirstTag(); tag; tag = tag->GetNext()) {
            tags += (tags.empty() ? "" : ", ") + TagSummary(*tag, registry);
        }
        if (!tags.empty()) out << indent << "  tags: " << tags << "\n";
        ListObjects(out, object->GetDown(), depth + 1, registry);
    }
}

}  // namespace

std::string ListRegistrations(const headless::PluginRegistry& registry) {
    std::ostringstream out;
    out << "Registrations (" << registry.Entries().size() << "):\n";
    int row = 1;
    for (const auto& entry : registry.Entries()) {
        char line[160];
        std::snprintf(line, sizeof line, "  %2d  %-8s %8d  flags %d  ", row++, KindName(entry.kind), entry.id,
                      entry.flags);
        out << line << "\"" << entry.name.Str() << "\"";
        if (entry.kind == headless::PluginKind::kCommand) {
            out << "  help \"" << entry.help.Str() << "\"";
        } else {
            out << "  description \"" << entry.description.Str() << "\"";
        }
        out << "\n";
    }
    return out.str();
}

std::string ListDocument(const headless::HlDocument& document, const headless::PluginRegistry& registry) {
    std::ostringstream out;
    const double frame = document.GetTime() * document.GetFps();
    out << "Document \"" << document.GetName().Str() << "\": " << document.GetFps() << " fps, frame "
        << Number(static_cast<float>(frame));
    if (const HostObject* camera = document.SceneCamera()) out << ", camera \"" << camera->GetName().Str() << "\"";
    out << "\n";
    if (const auto range = document.FrameRange())
        out << "  Frame range: " << range->first << " to " << range->second << "\n";
    out << "  Objects:\n";
    ListObjects(out, document.GetFirstObject(), 0, registry);
    out << "  Materials:\n";
    for (const auto& material : document.Materials()) {
        out << "    \"" << material->GetName().Str() << "\" " << TypeName(material->GetType(), registry);
        for (int32_t n = 0; n < headless::HlMaterial::kChannelCount; ++n) {
            const HostChannel* channel = material->GetChannel(n);
            if (channel && channel->IsOn()) {
                out << ", channel " << n << " \""
                    << channel->Data().Get<HostString>(host_param::kChannelTexture).Str() << "\"";
            }
        }
        out << "\n";
    }
    return out.str();
}

}  // namespace cli
