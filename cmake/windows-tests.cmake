# The Windows build's own checks, run under Wine by `make test-windows`.
set(VEXLOR_LINUX_BUILD ${CMAKE_SOURCE_DIR}/build CACHE PATH "The Linux build the Windows build is compared with")

# The stand-in renderer: one source, the renderer's two programs (the window one and the
# console one) in a folder of their own.
set(standins ${CMAKE_BINARY_DIR}/standin)
foreach(program orvane orvane_console)
  add_executable(${program} tests/windows/standin_renderer.cpp)
  target_compile_options(${program} PRIVATE -municode)
  target_link_options(${program} PRIVATE -municode)
  set_target_properties(${program} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${standins})
endforeach()
set_target_properties(orvane PROPERTIES WIN32_EXECUTABLE ON)

# One Wine prefix for every test (the first start in a new prefix takes a while).
set(wine_environment WINEDEBUG=-all WINEPREFIX=${CMAKE_BINARY_DIR}/wine "WINEDLLOVERRIDES=mscoree,mshtml=")
add_test(NAME windows_run_script
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/run_script_test.sh "wine ${CMAKE_BINARY_DIR}/vexlor.exe" "cmd /c"
    ${VEXLOR_PLUGIN_DIR} ${standins} ${CMAKE_BINARY_DIR}/test-run-script)
add_test(NAME windows_run_script_from_linux
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/run_script_test.sh ${VEXLOR_LINUX_BUILD}/vexlor "wine cmd /c"
    ${VEXLOR_LINUX_BUILD}/plugins/vexlor ${standins} ${CMAKE_BINARY_DIR}/test-run-script-linux)
add_test(NAME windows_same_bytes
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/same_bytes_test.sh ${VEXLOR_LINUX_BUILD}/vexlor
    "wine ${CMAKE_BINARY_DIR}/vexlor.exe" ${VEXLOR_PLUGIN_DIR} ${CMAKE_BINARY_DIR}/test-same-bytes)
set_tests_properties(windows_tests windows_run_script windows_run_script_from_linux windows_same_bytes
  PROPERTIES ENVIRONMENT "${wine_environment}")

# The DLL exports the entry point alone and needs no runtime beside the system's own.
add_test(NAME windows_dll_exports
  COMMAND bash -c "set -o pipefail; exports=$(i686-w64-mingw32-objdump -p \"$0\" | sed -n '/\\[Ordinal\\/Name Pointer\\] Table/,/^$/p' | awk 'NR > 1 && NF { print $NF }'); imports=$(i686-w64-mingw32-objdump -p \"$0\" | awk '/DLL Name:/ { print $3 }' | sort | tr '\\n' ' '); echo \"exports: $exports; imports: $imports\"; [ \"$exports\" = c4d_main ] && [ \"$imports\" = 'KERNEL32.dll msvcrt.dll ' ]"
    $<TARGET_FILE:vexlor_module>)
