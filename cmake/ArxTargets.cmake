# Shared build rules: warnings, one static library per subsystem, one test binary per subsystem.

add_library(arx_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(arx_warnings INTERFACE -Wall -Wextra -Wpedantic)
endif()

# arx_subsystem(NAME TARGET DEPS...): builds src/NAME/*.cpp and src/NAME/internal/*.cpp into
# the static library TARGET. Sources are globbed so that a new file needs no edit here;
# files ending in _posix or _windows build only for their platform.
function(arx_subsystem name target)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/${name}/internal/*.cpp)
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARGN} PRIVATE arx_warnings)
  else()
    # A subsystem with headers only so far.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${ARGN})
  endif()
endfunction()

# arx_test_suite(NAME LIBS...): builds tests/NAME/*.cpp into NAME_tests and registers its cases.
function(arx_test_suite name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name}_tests ${sources})
  target_include_directories(${name}_tests PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name}_tests PRIVATE ${ARGN} arx_test_support GTest::gmock_main arx_warnings)
  gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST PROPERTIES LABELS ${name})
endfunction()
