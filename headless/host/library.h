// Shared libraries of this machine: the module's file, opened and closed.
#pragma once

#include <filesystem>
#include <string>

namespace headless {

// What the module's file name ends in: "*.so" on Linux, "*.dll" on Windows.
const char* ModulePattern();
bool IsModuleFile(const std::filesystem::path& path);

// The library opened with its symbols resolved now and kept to itself; null with the
// system's reason in `error`.
void* OpenLibrary(const std::string& path, std::string& error);
// The address of an exported function, or null.
void* FindFunction(void* library, const char* name);
void CloseLibrary(void* library);

}  // namespace headless
