// The "renderer_settings" keys from the render settings object.
#include "export/export_xml.h"

int32_t ExportXML::WriteRendererSettings(HostDocument* /*document*/, TiXmlElement& /*element*/,
                                         const ParamContainer& /*settings*/) {
    return 1;
}
