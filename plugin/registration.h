// Start-up: registers the module's classes with the host in their fixed order.
#pragma once

// Registers every class; stops at the first registration that fails.  Prints the version
// line and returns true when all succeeded.
bool RegisterModule();
