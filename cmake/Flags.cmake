# Project-wide compile flags, carried by one INTERFACE target that every target links.
add_library(vlmr_flags INTERFACE)
target_compile_options(vlmr_flags INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wno-unused-parameter)
target_compile_definitions(vlmr_flags INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 reports "const char*" + std::string&& at -O2 as an overlapping copy (GCC bug 105329).
  target_compile_options(vlmr_flags INTERFACE -Wno-restrict)
endif()
target_include_directories(vlmr_flags INTERFACE ${PROJECT_SOURCE_DIR}/src)

if(VLMR_SANITIZE)
  if(NOT VLMR_SANITIZE MATCHES "^(address,undefined|address|undefined|thread)$")
    message(FATAL_ERROR "VLMR_SANITIZE must be address,undefined or thread")
  endif()
  target_compile_options(vlmr_flags INTERFACE
    -fsanitize=${VLMR_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(vlmr_flags INTERFACE -fsanitize=${VLMR_SANITIZE})
endif()

if(VLMR_FUZZ)
  # Every library a fuzzer links is instrumented for coverage and checked by ASan+UBSan.
  target_compile_options(vlmr_flags INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(vlmr_flags INTERFACE -fsanitize=address,undefined)
endif()

# Adds one layer library: vlmr_add_layer(name SOURCES ... LINKS ...)
function(vlmr_add_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_link_libraries(${name} PUBLIC vlmr_flags ${L_LINKS})
endfunction()
