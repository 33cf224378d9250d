# One place that registers tests with CTest, so that every test runs under the same
# pinned environment: a UTF-8 C locale and Qt's headless platform.
set(RS5_TEST_ENVIRONMENT "LANG=C.UTF-8" "LC_ALL=C.UTF-8" "QT_QPA_PLATFORM=offscreen")

# Every Qt test program has the same main: it runs the classes its files register with RS5_TEST_CLASS
# (tests/QtTestRunner.h, included by its path from an include root that holds nothing else).
set(RS5_QT_TEST_RUNNER_ROOT ${CMAKE_BINARY_DIR}/include-roots/qt_test_runner)
configure_file(${CMAKE_CURRENT_LIST_DIR}/../tests/QtTestRunner.h ${RS5_QT_TEST_RUNNER_ROOT}/tests/QtTestRunner.h
  COPYONLY)

# rs5_qt_test_program(NAME SOURCES a.cpp ... LIBS lib ...): the program alone, for tests registered by hand.
function(rs5_qt_test_program name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/QtTestRunner.cpp)
  target_include_directories(${name} PRIVATE ${RS5_QT_TEST_RUNNER_ROOT})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  rs5_target_headers(${name})  # the test folder's own headers
endfunction()

# rs5_add_qt_test(NAME SOURCES a.cpp ... LIBS lib ... [TIMEOUT seconds])
# A test sees the headers of its own folder ("tests/store/MemorySource.h") and of what it links.
function(rs5_add_qt_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  rs5_qt_test_program(${name} SOURCES ${T_SOURCES} LIBS ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${RS5_TEST_ENVIRONMENT}" TIMEOUT ${T_TIMEOUT})
endfunction()

# GoogleTest for the Qt-free libraries: the installed library on the host, Debian's
# sources when cross compiling (so the same tests become Windows executables).
if(NOT TARGET GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING AND EXISTS /usr/src/googletest/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest_main)  # newer googletest sources define it themselves
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
    # Not our code: its warnings are not ours to fix, so they never fail the build.
    target_compile_options(gtest PRIVATE -Wno-error)
    target_compile_options(gtest_main PRIVATE -Wno-error)
  else()
    find_package(GTest REQUIRED)
  endif()
endif()

# rs5_add_gtest(NAME SOURCES a.cpp ... LIBS lib ... [TIMEOUT seconds])
function(rs5_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest_main ${T_LIBS})
  rs5_target_headers(${name})  # the test folder's own headers
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${RS5_TEST_ENVIRONMENT}" TIMEOUT ${T_TIMEOUT})
endfunction()
