// Texture elements from the channels of a material helper tag's host material.
#include "export/export_xml.h"

void ExportXML::WriteAlbedoTexture(HostDocument*, const ParamContainer&, HostMaterial*, TiXmlElement&) {}
void ExportXML::WriteBumpMap(HostDocument*, const ParamContainer&, HostMaterial*, TiXmlElement&) {}
void ExportXML::WriteExponentMap(HostDocument*, const ParamContainer&, HostMaterial*, TiXmlElement&) {}
void ExportXML::WriteBlendMap(HostDocument*, const ParamContainer&, HostMaterial*, TiXmlElement&) {}
void ExportXML::WriteLightTexture(HostDocument*, const ParamContainer&, HostMaterial*, TiXmlElement&) {}
