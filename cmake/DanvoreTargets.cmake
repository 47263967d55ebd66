# Shared helpers: warnings on our own code, one static library per layer
# with the other platform's implementation files left out.

function(danvore_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    # GCC 12 reports std::string concatenations as overlapping copies at -O2
    # and above (a known false positive of its -Wrestrict).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
      target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
  endif()
endfunction()

# Collects the .cpp files of the current folder, dropping *_posix.cpp on
# Windows and *_win32.cpp elsewhere.
function(danvore_sources out_var)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_${DANVORE_OTHER_SUFFIX}\\.cpp$")
  set(${out_var} ${sources} PARENT_SCOPE)
endfunction()

# danvore_layer(<name> DEPS <libs...>) builds danvore_<name> from the folder.
function(danvore_layer name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  danvore_sources(sources)
  if(NOT sources)
    add_library(danvore_${name} INTERFACE)
    target_include_directories(danvore_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(danvore_${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(danvore_${name} STATIC ${sources})
  target_include_directories(danvore_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(danvore_${name} PUBLIC ${ARG_DEPS})
  danvore_warnings(danvore_${name})
endfunction()
