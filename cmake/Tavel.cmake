# Helpers shared by every folder: one library per folder of src/, one test program per
# folder of tests/. Sources are globbed so that adding a file needs no edit here.

set(TAVEL_WARNINGS -Wall -Wextra -Werror)

# tavel_library(<target> [QT] DEPS <targets...>): a static library of every .cpp/.h in
# the calling folder. Includes are written from src/ ("logs/log.h").
function(tavel_library name)
  cmake_parse_arguments(T "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(ex IN LISTS T_EXCLUDE)
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${ex})
  endforeach()
  list(FILTER srcs INCLUDE REGEX "\\.cpp$|\\.h$")
  set(cpps ${srcs})
  list(FILTER cpps INCLUDE REGEX "\\.cpp$")
  if(NOT cpps)
    # A folder whose code has not arrived yet still gives its target, so that the
    # targets above it link.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${T_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${T_DEPS})
  target_compile_options(${name} PRIVATE ${TAVEL_WARNINGS})
endfunction()

# tavel_test(<target> DEPS <targets...>): one GoogleTest program from every *.cpp of the
# calling folder; each test case is registered with CTest and runs offscreen.
function(tavel_test name)
  cmake_parse_arguments(T "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_executable(${name} ${srcs})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_DEPS} GTest::gtest GTest::gmock tavel_testmain)
  target_compile_options(${name} PRIVATE ${TAVEL_WARNINGS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()
