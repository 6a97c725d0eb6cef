# Helpers that every library of the tree is built with. They fail loudly: a folder
# without sources or a dependency that is not a target stops the configure step.

# kv_add_library(<target> [DIR <folder>] [DEPS ...] [PRIVATE_DEPS ...] [OBJECTS ...]
#                [INTERNAL <file.cpp> ...])
#   A versioned shared library from <folder>/src/*.cpp (default: the current folder)
#   with public headers in <folder>/include and the export list <folder>/exports.map (a
#   linker version script). The test "<target>.exports" checks that the dynamic symbol
#   table holds exactly the list. OBJECTS names object libraries compiled into it.
#   INTERNAL names sources (in src/) whose hidden code the library's tests exercise
#   directly: they are compiled once, into the object library <target>_internals, which
#   the shared library includes and the tests link.
function(kv_add_library target)
  cmake_parse_arguments(ARG "" "DIR" "DEPS;PRIVATE_DEPS;OBJECTS;INTERNAL" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARG_DIR)
    set(dir ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/src/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "kv_add_library(${target}): no sources in ${dir}/src")
  endif()
  set(map ${dir}/exports.map)
  if(NOT EXISTS ${map})
    message(FATAL_ERROR "kv_add_library(${target}): no export list ${map}")
  endif()
  kv_require_targets(${target} ${ARG_DEPS} ${ARG_PRIVATE_DEPS} ${ARG_OBJECTS})
  if(ARG_INTERNAL)
    set(internal_sources)
    foreach(file ${ARG_INTERNAL})
      if(NOT EXISTS ${dir}/src/${file})
        message(FATAL_ERROR "kv_add_library(${target}): no internal source ${dir}/src/${file}")
      endif()
      list(APPEND internal_sources ${dir}/src/${file})
    endforeach()
    list(REMOVE_ITEM sources ${internal_sources})
    add_library(${target}_internals OBJECT ${internal_sources})
    target_include_directories(${target}_internals PUBLIC ${dir}/src ${dir}/include)
    target_link_libraries(${target}_internals PUBLIC ${ARG_DEPS} ${ARG_PRIVATE_DEPS})
    list(APPEND ARG_OBJECTS ${target}_internals)
  endif()
  add_library(${target} SHARED ${sources})
  foreach(object ${ARG_OBJECTS})
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${object}>)
    target_link_libraries(${target} PRIVATE $<BUILD_INTERFACE:${object}>)
  endforeach()
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${dir}/include>
                                              $<INSTALL_INTERFACE:include>
                                       PRIVATE ${dir}/src)
  target_link_libraries(${target} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  target_link_options(${target} PRIVATE -Wl,--version-script=${map} -Wl,--no-undefined)
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${map}
                                             VERSION ${PROJECT_VERSION}
                                             SOVERSION ${PROJECT_VERSION_MAJOR})
  set_property(GLOBAL APPEND PROPERTY KV_INSTALLED_LIBRARIES ${target})
  set_property(TARGET ${target} PROPERTY KV_HEADER_DIR ${dir}/include)
  add_test(NAME ${target}.exports
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-exports.sh $<TARGET_FILE:${target}> ${map})
endfunction()

# kv_add_tests(<test-target> [DIR <folder>] [GUARDED] LIBS ...)
#   One GoogleTest program from <folder>/tests/*.cpp, each test registered with CTest.
#   GUARDED runs it under the write guard: whatever it (or a program of the build it
#   starts) would write or delete outside its temporary root is refused and fails it.
function(kv_add_tests target)
  cmake_parse_arguments(ARG "GUARDED" "DIR" "LIBS" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARG_DIR)
    set(dir ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/tests/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "kv_add_tests(${target}): no tests in ${dir}/tests")
  endif()
  kv_require_targets(${target} ${ARG_LIBS})
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${dir}/tests ${dir}/src)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} kv_testing GTest::gtest GTest::gmock
                                          GTest::gtest_main)
  kv_discover_tests(${target} ${ARG_GUARDED})
endfunction()

# kv_discover_tests(<test-target> [guarded]): registers a GoogleTest program's tests.
function(kv_discover_tests target guarded)
  if(guarded)
    add_dependencies(${target} kv_write_guard)
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR "${KV_WRITE_GUARD_LAUNCHER}")
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120
                         FAIL_REGULAR_EXPRESSION "kv-write-guard: refused")
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  endif()
endfunction()

# kv_require_targets(<for> names...): the tree's own names (KV..., kv...) and imported
# names (Pkg::Name) must be targets by now; system libraries (dl, m) pass as they are.
function(kv_require_targets for)
  foreach(name ${ARGN})
    if(name MATCHES "^(KV|kv)|::" AND NOT TARGET ${name})
      message(FATAL_ERROR "${for}: '${name}' is not a target (misspelt, or defined later)")
    endif()
  endforeach()
endfunction()
