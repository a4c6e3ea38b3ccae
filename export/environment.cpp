// The environment element: background, sky or environment map.
#include "export/export_xml.h"

void ExportXML::WriteEnvironment(HostDocument* /*document*/, const ParamContainer* /*settings*/,
                                 TiXmlElement& /*scene*/) {}
