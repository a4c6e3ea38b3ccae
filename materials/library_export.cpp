// The material library (".ovm"): one material helper tag's material with what it depends on.
#include "export/export_xml.h"

bool ExportXML::WriteMaterialLibrary(const MaterialLibraryRecord& /*record*/) { return true; }
