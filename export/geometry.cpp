// The geometry walks: mesh files, "mesh" elements, and models, planes, spheres, exit portals
// and mesh lights.
#include "export/export_xml.h"

void ExportXML::WriteMeshFiles(HostObject* /*first*/, bool /*hidden*/) {}

void ExportXML::WriteMeshElements(HostObject* /*first*/, TiXmlElement& /*parent*/, bool /*hidden*/,
                                  std::vector<HostObject*>& /*externalFiles*/) {}

void ExportXML::WriteModels(HostObject* /*first*/, TiXmlElement& /*parent*/, bool /*hidden*/,
                            HostObject* /*instanceSource*/) {}
