# The libraries of the Windows build as the targets the Linux build gets from find_package.
set(VEXLOR_MINGW_LIB /usr/i686-w64-mingw32/lib)

add_library(vexlor_zlib STATIC IMPORTED)
set_target_properties(vexlor_zlib PROPERTIES IMPORTED_LOCATION ${VEXLOR_MINGW_LIB}/libz.a)
add_library(PNG::PNG STATIC IMPORTED)
set_target_properties(PNG::PNG PROPERTIES IMPORTED_LOCATION ${VEXLOR_WINDOWS_DEPS}/lib/libpng16.a
  INTERFACE_INCLUDE_DIRECTORIES ${VEXLOR_WINDOWS_DEPS}/include INTERFACE_LINK_LIBRARIES vexlor_zlib)
add_library(TIFF::TIFF STATIC IMPORTED)
set_target_properties(TIFF::TIFF PROPERTIES IMPORTED_LOCATION ${VEXLOR_WINDOWS_DEPS}/lib/libtiff.a
  INTERFACE_INCLUDE_DIRECTORIES ${VEXLOR_WINDOWS_DEPS}/include INTERFACE_LINK_LIBRARIES vexlor_zlib)

# Header-only libraries from /usr/include, seen through a folder of their own so that the
# cross compiler never meets this machine's C library headers.
set(VEXLOR_HEADER_ONLY ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${VEXLOR_HEADER_ONLY})
file(CREATE_LINK /usr/include/nlohmann ${VEXLOR_HEADER_ONLY}/nlohmann SYMBOLIC)
file(CREATE_LINK /usr/include/CLI ${VEXLOR_HEADER_ONLY}/CLI SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${VEXLOR_HEADER_ONLY})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${VEXLOR_HEADER_ONLY})

# Google Test from the sources Debian ships in libgtest-dev (its GTest:: names come with it).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(target gtest gtest_main gmock gmock_main)
  target_compile_options(${target} PRIVATE -w)
endforeach()

# printf and its kin as C99 has them (the system's own C runtime knows no "%lld" and writes
# three exponent digits).
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)

# Programs carry their C and C++ runtimes, so the folder works wherever it is copied.
add_link_options(-static -static-libgcc -static-libstdc++)

# vexlor_windows_path(VAR PATH): PATH of this machine as a Windows program under Wine names it,
# with its backslashes escaped for a C string.
function(vexlor_windows_path var path)
  string(REPLACE "/" "\\\\" windows "Z:${path}")
  set(${var} ${windows} PARENT_SCOPE)
endfunction()
