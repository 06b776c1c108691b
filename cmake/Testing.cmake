# Tests are GoogleTest executables, one CTest entry each. GoogleTest is built from the sources
# Debian ships, so that every target (native, -m32, MinGW) uses the same framework.
set(VIALMARK_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")

# A target whose programs cannot run here (32-bit Windows) only builds.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(VIALMARK_RUNNABLE OFF)
else()
  set(VIALMARK_RUNNABLE ON)
endif()

macro(vialmark_enable_gtest)
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${VIALMARK_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
endmacro()

# vialmark_test(NAME name SOURCES ... [LIBRARIES ...] [LABELS ...])
function(vialmark_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBRARIES} GTest::gmock GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  vialmark_warnings(${T_NAME})
  if(VIALMARK_RUNNABLE)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 600)
  endif()
endfunction()
