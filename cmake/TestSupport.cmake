# Test helpers. Native tests link the system GoogleTest; the Windows build
# compiles GoogleTest from the sources Debian ships and CTest runs each test
# executable under Wine (scripts/test-all.sh provides the display and prefix).
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(TOVI_GTEST gtest gtest_main)
else()
  find_package(GTest REQUIRED)
  set(TOVI_GTEST GTest::gtest GTest::gtest_main)
endif()

# tovi_test(name SOURCES... DEPS ...): one test executable, one CTest entry.
function(tovi_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_compile_options(${name} PRIVATE ${TOVI_WARNINGS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_DEPS} ${TOVI_GTEST})
  target_compile_definitions(${name} PRIVATE
    TOVI_SHARED_DIR="${TOVI_SHARED_DIR}"
    TOVI_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    TOVI_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(WIN32)
    # CMAKE_CROSSCOMPILING_EMULATOR (wine) is put in front by CTest.
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  else()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 900)
  endif()
endfunction()

# tovi_module_tests(name DEPS ...): every *_test.cpp in the current folder in one
# executable; *_win_test.cpp files join it only in the Windows build.
function(tovi_module_tests name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  file(GLOB win CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_win_test.cpp)
  if(win AND NOT WIN32)
    list(REMOVE_ITEM all ${win})
  endif()
  if(all)
    tovi_test(${name} SOURCES ${all} DEPS ${A_DEPS})
  endif()
endfunction()
