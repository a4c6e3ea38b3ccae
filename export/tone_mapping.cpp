// The "tonemapping" element.
#include "export/export_xml.h"

int32_t ExportXML::WriteToneMapping(HostDocument* /*document*/, TiXmlElement& /*scene*/) { return 1; }
