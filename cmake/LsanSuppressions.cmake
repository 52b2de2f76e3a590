# Compiles tools/lsan-suppressions.txt into every executable of a sanitized
# build, as the __lsan_default_suppressions hook LeakSanitizer asks for, so a
# tool run by hand reports only leaks of our own code.
set(KIVO_LSAN_SUPPRESSIONS ${CMAKE_SOURCE_DIR}/tools/lsan-suppressions.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KIVO_LSAN_SUPPRESSIONS})
file(STRINGS ${KIVO_LSAN_SUPPRESSIONS} lsan_lines REGEX "^leak:")
list(JOIN lsan_lines "\\n" lsan_text)
set(lsan_source ${CMAKE_BINARY_DIR}/generated/lsan_suppressions.cpp)
file(CONFIGURE OUTPUT ${lsan_source} CONTENT
  "// Generated from tools/lsan-suppressions.txt.\nextern \"C\" const char* __lsan_default_suppressions() { return \"${lsan_text}\\n\"; }\n")
add_library(kivo_lsan_suppressions OBJECT ${lsan_source})
# Executables only: a static library holding the hook would clash with the
# executable's own copy when linked whole.
link_libraries("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:kivo_lsan_suppressions>")
