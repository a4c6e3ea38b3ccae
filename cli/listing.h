// Text listings of what the host holds: the module's registrations and a document's tree.
#pragma once

#include <string>

#include "headless/host/host.h"

namespace cli {

std::string ListRegistrations(const headless::PluginRegistry& registry);
std::string ListDocument(const headless::HlDocument& document, const headless::PluginRegistry& registry);

}  // namespace cli
