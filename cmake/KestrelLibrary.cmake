# kv_add_library(NAME <target> [DEPS ...])
#   A shared library from <folder>/src/*.cpp with public headers in <folder>/include and
#   the export list <folder>/exports.map (a linker version script). The test
#   "<target>.exports" checks that the dynamic symbol table holds exactly the list.
function(kv_add_library target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_library(${target} SHARED ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
                                       PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  set(map ${CMAKE_CURRENT_SOURCE_DIR}/exports.map)
  target_link_options(${target} PRIVATE -Wl,--version-script=${map} -Wl,--no-undefined)
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${map})
  add_test(NAME ${target}.exports
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-exports.sh $<TARGET_FILE:${target}> ${map})
endfunction()

# kv_add_tests(<test-target> LIBS ...)
#   One GoogleTest program from <folder>/tests/*.cpp, each test registered with CTest.
function(kv_add_tests target)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT sources)
    return()
  endif()
  foreach(lib ${ARG_LIBS})
    if(NOT TARGET ${lib})
      return()
    endif()
  endforeach()
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/testing)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} kv_testing GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
