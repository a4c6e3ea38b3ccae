// The "medium" element of a specular or glossy transparent material.
#include "export/export_xml.h"

bool ExportXML::WriteMedium(HostDocument* /*document*/, const ParamContainer& /*tagData*/, TiXmlElement& /*parent*/) {
    return true;
}
