# The build of a subsystem folder that holds windows (sampling/, config/, diagnostics/),
# and of its tests. Sources are found by name, so adding a window adds no line here:
#
#   tarnquill_window_folder(NAME)
#     Every .cpp of the folder without a platform suffix goes into tarnquill_NAME_core
#     (portable: built natively and tested there too, linked with the kit's portable
#     core); on Windows every *_win32.cpp goes into tarnquill_NAME_windows, linked with
#     the window kit. The main window's registration table links the _windows libraries.
#
#   tarnquill_window_tests(NAME)
#     Natively, tests/NAME/*_test.cpp become NAME_tests against tarnquill_NAME_core. On
#     Windows, tests/NAME/win32/*.cpp become NAME_window_tests, which drive the real
#     windows under Wine with the shared window-test harness.
include_guard(GLOBAL)

function(_tarnquill_library target kind)
  if(ARGN)
    add_library(${target} STATIC ${ARGN})
    set(${kind} PUBLIC PARENT_SCOPE)
  else()
    add_library(${target} INTERFACE)
    set(${kind} INTERFACE PARENT_SCOPE)
  endif()
endfunction()

function(tarnquill_window_folder name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(portable ${sources})
  list(FILTER portable EXCLUDE REGEX "_(win32|posix)\\.cpp$")
  _tarnquill_library(tarnquill_${name}_core visibility ${portable})
  target_include_directories(tarnquill_${name}_core ${visibility} ${PROJECT_SOURCE_DIR})
  target_link_libraries(tarnquill_${name}_core ${visibility} tarnquill_ui_core)
  if(WIN32)
    set(windows ${sources})
    list(FILTER windows INCLUDE REGEX "_win32\\.cpp$")
    _tarnquill_library(tarnquill_${name}_windows visibility ${windows})
    target_link_libraries(tarnquill_${name}_windows ${visibility} tarnquill_${name}_core
                          tarnquill_kit)
  endif()
endfunction()

function(tarnquill_window_tests name)
  set(dir ${PROJECT_SOURCE_DIR}/tests/${name})
  if(NOT WIN32)
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*_test.cpp)
    if(sources)
      add_executable(${name}_tests ${sources})
      target_link_libraries(${name}_tests PRIVATE tarnquill_${name}_core tarnquill_test_support
                                                  GTest::gtest_main)
      gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST)
    endif()
    return()
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/win32/*.cpp)
  if(NOT sources)
    return()
  endif()
  include(${PROJECT_SOURCE_DIR}/tests/win32/wine_testing.cmake)
  add_executable(${name}_window_tests ${sources} ${TARNQUILL_RESOURCES})
  target_link_libraries(${name}_window_tests PRIVATE tarnquill_window_test_harness
                                                     GTest::gtest_main)
  tarnquill_add_windows_test(${name}_window_tests --gtest_brief=1)
  tarnquill_use_window_test_desktop(${name}_window_tests)
  tarnquill_use_full_file(${name}_window_tests)
endfunction()
