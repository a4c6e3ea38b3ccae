// `vexlor check SCENE.ovs...`: the scene check of headless/check/ on the command line.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "headless/files/files.h"

namespace cli {

// Checks each scene; prints one line per problem ("FILE:LINE: problem") on `out`, then one
// summary line; a scene that cannot be read is named on `err`.  The exit status: 0 when
// nothing is wrong, 1 when a problem was found, 2 when a scene could not be read.
int RunCheck(const headless::FileSystem& files, const std::vector<std::string>& scenes, std::ostream& out,
             std::ostream& err);

}  // namespace cli
