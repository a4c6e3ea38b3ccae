// The "meshlight" element of a polygon object with a light tag.
#include "export/export_xml.h"

void ExportXML::WriteMeshLight(HostDocument* /*document*/, HostObject* /*object*/, int32_t /*meshNumber*/,
                               TiXmlElement& /*parent*/) {}
