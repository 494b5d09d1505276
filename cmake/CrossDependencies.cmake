# Third-party libraries for the cross builds (presets mingw-i686, mingw-x64, linux-i686),
# included right after project() through CMAKE_PROJECT_arx_player_behavior_INCLUDE.
#
# The system's packages hold these libraries for native x86-64 Linux only, so here:
# - libyaml is compiled from its source (scripts/fetch-libyaml-source puts it in
#   build/third_party) into a static library;
# - RapidJSON, header-only, is seen through a folder that holds nothing but it (the MinGW
#   compilers must not see /usr/include, whose headers are glibc's);
# - googletest is compiled from the source the googletest package installs.
# src/ and tests/ then find them through their usual variables, unchanged.

set(ARX_THIRD_PARTY_SOURCE_DIR "${PROJECT_SOURCE_DIR}/build/third_party" CACHE PATH
    "Where scripts/fetch-libyaml-source unpacked libyaml")
set(ARX_LIBYAML_SOURCE_DIR "${ARX_THIRD_PARTY_SOURCE_DIR}/libyaml-0.2.5")
if(NOT EXISTS "${ARX_LIBYAML_SOURCE_DIR}/include/yaml.h")
  message(FATAL_ERROR "libyaml's source is not in ${ARX_LIBYAML_SOURCE_DIR}: run scripts/fetch-libyaml-source")
endif()
set(arx_libyaml_sources api dumper emitter loader parser reader scanner writer)
list(TRANSFORM arx_libyaml_sources PREPEND "${ARX_LIBYAML_SOURCE_DIR}/src/")
list(TRANSFORM arx_libyaml_sources APPEND ".c")
add_library(arx_yaml_static STATIC ${arx_libyaml_sources})
target_include_directories(arx_yaml_static SYSTEM PUBLIC "${ARX_LIBYAML_SOURCE_DIR}/include")
# Without YAML_DECLARE_STATIC, yaml.h declares its functions dllimport on Windows.
target_compile_definitions(arx_yaml_static
  PUBLIC YAML_DECLARE_STATIC
  PRIVATE YAML_VERSION_MAJOR=0 YAML_VERSION_MINOR=2 YAML_VERSION_PATCH=5 YAML_VERSION_STRING="0.2.5")
# Not our code: its warnings are not ours to fix.
target_compile_options(arx_yaml_static PRIVATE -w)
# In the plugin libyaml's blocks are the plugin's own: counted like every other allocation.
set_source_files_properties("${ARX_LIBYAML_SOURCE_DIR}/src/api.c" PROPERTIES
  COMPILE_OPTIONS "-include;${CMAKE_CURRENT_LIST_DIR}/libyaml-counted-allocation.h")
target_include_directories(arx_yaml_static PRIVATE "${PROJECT_SOURCE_DIR}/src")
target_link_libraries(arx_yaml_static PRIVATE arx_util)
set(YAML_INCLUDE_DIR "${ARX_LIBYAML_SOURCE_DIR}/include" CACHE PATH "libyaml headers" FORCE)
set(YAML_LIBRARY arx_yaml_static CACHE STRING "libyaml, compiled in this tree" FORCE)

# Header-only libraries are architecture-independent: each is seen through a folder that
# holds nothing but its own headers (the MinGW compilers must not see /usr/include).
#   arx_headers_alone(VARIABLE FOLDER PROBE): VARIABLE names a folder that holds only
#   /usr/include/FOLDER, found by its header FOLDER/PROBE.
function(arx_headers_alone variable folder probe)
  find_path(ARX_SYSTEM_${variable} ${folder}/${probe} PATHS /usr/include /usr/local/include
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(alone "${CMAKE_BINARY_DIR}/third_party/${folder}-include")
  file(MAKE_DIRECTORY "${alone}")
  file(CREATE_LINK "${ARX_SYSTEM_${variable}}/${folder}" "${alone}/${folder}" SYMBOLIC)
  set(${variable} "${alone}" CACHE PATH "${folder} headers, alone" FORCE)
endfunction()
arx_headers_alone(RAPIDJSON_INCLUDE_DIR rapidjson reader.h)
arx_headers_alone(FAST_FLOAT_INCLUDE_DIR fast_float fast_float.h)

# Runs before option(ARX_BUILD_TESTS) on a first configure, where it is not yet set.
if(NOT DEFINED ARX_BUILD_TESTS OR ARX_BUILD_TESTS)
  set(ARX_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "googletest's source (package googletest)")
  if(NOT EXISTS "${ARX_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
    message(FATAL_ERROR "googletest's source is not in ${ARX_GOOGLETEST_SOURCE_DIR}: run scripts/install-deps --cross")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory("${ARX_GOOGLETEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/third_party/googletest" EXCLUDE_FROM_ALL SYSTEM)
  # googletest names its targets GTest::… itself from 1.11 on.
  foreach(arx_gtest_target gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${arx_gtest_target})
      add_library(GTest::${arx_gtest_target} ALIAS ${arx_gtest_target})
    endif()
  endforeach()
  # find_package(GTest) in tests/ then settles on the targets above instead of the
  # host's 64-bit libraries.
  set(arx_gtest_config "${CMAKE_BINARY_DIR}/third_party/gtest-config")
  file(WRITE "${arx_gtest_config}/GTestConfig.cmake"
       "# googletest is compiled in this tree (cmake/CrossDependencies.cmake).\n")
  set(GTest_DIR "${arx_gtest_config}" CACHE PATH "googletest, compiled in this tree" FORCE)
endif()
