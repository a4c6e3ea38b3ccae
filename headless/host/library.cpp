#include "headless/host/library.h"

#ifdef _WIN32
#include <windows.h>

#include "headless/files/native_io.h"
#else
#include <dlfcn.h>
#endif

namespace headless {

#ifdef _WIN32

const char* ModulePattern() { return "*.dll"; }

bool IsModuleFile(const std::filesystem::path& path) {
    std::wstring extension = path.extension().native();
    for (wchar_t& c : extension) c = static_cast<wchar_t>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c);
    return extension == L".dll";
}

void* OpenLibrary(const std::string& path, std::string& error) {
    HMODULE library = LoadLibraryW(native::Wide(path).c_str());
    if (!library) error = native::SystemMessage(GetLastError());
    return reinterpret_cast<void*>(library);
}

void* FindFunction(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

#else

const char* ModulePattern() { return "*.so"; }

bool IsModuleFile(const std::filesystem::path& path) { return path.extension() == ".so"; }

void* OpenLibrary(const std::string& path, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) error = dlerror();
    return library;
}

void* FindFunction(void* library, const char* name) { return dlsym(library, name); }

void CloseLibrary(void* library) { dlclose(library); }

#endif

}  // namespace headless
