# Registering Windows tests that run under Wine, and COM ports for them.
#
# Every Windows test runs through tools/wine-run (the toolchain's emulator) in the
# prefix <build dir>/wineprefix, created on first use.
#
#   tarnquill_add_windows_test(TARGET [ARGUMENTS...])
#     One test per executable: each Wine start costs a few hundred milliseconds, so the
#     cases of an executable run in one process.
#
#   tarnquill_add_com_port_fixture(FIXTURE PORT COMn [SERIAL_NAME NAME | UNLISTED]
#                                  [OPTIONAL] COMMAND PROGRAM [ARGUMENTS...])
#     A test fixture that starts a native PROGRAM serving a pseudo-terminal (an argument
#     @LINK@ becomes the path where it must link its terminal) and gives that terminal
#     the COM port COMn of the prefix, listed in HARDWARE\DEVICEMAP\SERIALCOMM as NAME
#     (default Sim_COMn) unless UNLISTED.
#     Native programs come from TARNQUILL_NATIVE_BUILD_DIR, for example
#       COMMAND ${TARNQUILL_NATIVE_BUILD_DIR}/sim/tarnquill-sim --link @LINK@
#     With OPTIONAL the fixture is left out when PROGRAM does not exist when configuring,
#     and <FIXTURE>_AVAILABLE tells the caller whether it was added; without it a missing
#     PROGRAM makes the fixture's start fail, and its tests are not run.
#
#   tarnquill_add_com_port_pair_fixture(FIXTURE PORTS COMa COMb)
#     A null-modem cable between two COM ports: a test opens both, one end as the
#     program's port and the other for an instrument it plays itself.
#
#   tarnquill_use_com_port_fixture(TEST FIXTURE)
#     TEST needs FIXTURE: CTest starts the fixture before it and stops it after the last
#     test that needs it, and tests using the same ports never run at the same time.
include_guard(GLOBAL)

set(TARNQUILL_NATIVE_BUILD_DIR "${PROJECT_SOURCE_DIR}/build/native"
    CACHE PATH "Native build tree whose programs serve the COM ports of the Windows tests")

# The file is read once, by whichever directory needs it first: what other directories
# use must be global (a cache entry or a function), not a variable of that directory.
set(TARNQUILL_TEST_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE INTERNAL
    "The Wine prefix of this build's tests (tools/wine-run picks the same one)")

function(_tarnquill_test_environment out)
  set(${out} "TARNQUILL_WINEPREFIX=${TARNQUILL_TEST_WINEPREFIX}" PARENT_SCOPE)
endfunction()

function(tarnquill_add_windows_test target)
  add_test(NAME ${target} COMMAND ${target} ${ARGN})
  _tarnquill_test_environment(env)
  set_tests_properties(${target} PROPERTIES ENVIRONMENT "${env}")
endfunction()

# Starting and stopping a listed port changes the registry's device map, which the
# app's window tests read under the lock tarnquill_registry.
function(_tarnquill_com_port_tests fixture ports locks start_arguments)
  _tarnquill_test_environment(env)
  set(tool ${PROJECT_SOURCE_DIR}/tools/sim-com-port)
  add_test(NAME ${fixture}_start COMMAND ${tool} ${start_arguments})
  add_test(NAME ${fixture}_stop COMMAND ${tool} stop ${ports})
  set_tests_properties(${fixture}_start PROPERTIES
    FIXTURES_SETUP ${fixture} RESOURCE_LOCK "${locks}" ENVIRONMENT "${env}")
  set_tests_properties(${fixture}_stop PROPERTIES
    FIXTURES_CLEANUP ${fixture} RESOURCE_LOCK "${locks}" ENVIRONMENT "${env}")
  set_property(GLOBAL PROPERTY tarnquill_com_ports_${fixture} "${ports}")
endfunction()

function(tarnquill_add_com_port_fixture fixture)
  cmake_parse_arguments(PARSE_ARGV 1 arg "OPTIONAL;UNLISTED" "PORT;SERIAL_NAME" "COMMAND")
  if(NOT arg_PORT OR NOT arg_COMMAND)
    message(FATAL_ERROR "tarnquill_add_com_port_fixture: PORT and COMMAND are needed")
  endif()
  list(GET arg_COMMAND 0 program)
  if(arg_OPTIONAL AND NOT EXISTS "${program}")
    message(STATUS "${fixture}: ${program} not built, tests needing it are left out")
    set(${fixture}_AVAILABLE FALSE PARENT_SCOPE)
    return()
  endif()
  set(start start ${arg_PORT})
  set(locks ${arg_PORT} tarnquill_registry)
  if(arg_UNLISTED)
    list(APPEND start --unlisted)
    set(locks ${arg_PORT})
  elseif(arg_SERIAL_NAME)
    list(APPEND start --serial-name ${arg_SERIAL_NAME})
  endif()
  list(APPEND start -- ${arg_COMMAND})
  _tarnquill_com_port_tests(${fixture} "${arg_PORT}" "${locks}" "${start}")
  set(${fixture}_AVAILABLE TRUE PARENT_SCOPE)
endfunction()

function(tarnquill_add_com_port_pair_fixture fixture)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PORTS")
  list(LENGTH arg_PORTS count)
  if(NOT count EQUAL 2)
    message(FATAL_ERROR "tarnquill_add_com_port_pair_fixture: PORTS takes two ports")
  endif()
  _tarnquill_com_port_tests(${fixture} "${arg_PORTS}" "${arg_PORTS}" "pair;${arg_PORTS}")
endfunction()

function(tarnquill_use_com_port_fixture test fixture)
  get_property(ports GLOBAL PROPERTY tarnquill_com_ports_${fixture})
  set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED ${fixture})
  set_property(TEST ${test} APPEND PROPERTY RESOURCE_LOCK ${ports})
endfunction()

# tarnquill_use_window_test_desktop(TEST)
#   The window tests of executable TEST run on a Wine virtual desktop of their own: without
#   a window manager, Wine waits two seconds for every closing top-level window to be
#   withdrawn, and on a shared desktop two executables would take each other's focus.
function(tarnquill_use_window_test_desktop target)
  _tarnquill_test_environment(env)
  add_test(NAME ${target}_desktop
           COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg.exe add
                   "HKCU\\Software\\Wine\\AppDefaults\\${target}.exe\\Explorer"
                   /v Desktop /t REG_SZ /d ${target} /f)
  add_test(NAME ${target}_desktop_size
           COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg.exe add
                   [[HKCU\Software\Wine\Explorer\Desktops]] /v ${target} /t REG_SZ /d 1280x800 /f)
  set_tests_properties(${target}_desktop ${target}_desktop_size PROPERTIES
    FIXTURES_SETUP ${target}_desktop ENVIRONMENT "${env}")
  set_property(TEST ${target} APPEND PROPERTY FIXTURES_REQUIRED ${target}_desktop)
endfunction()

# tarnquill_use_full_file(TEST)
#   TEST finds in TARNQUILL_FULL_FILE the Windows name of a file that opens and refuses
#   every byte (a link to the system's full device), for the paths where a save fails.
function(tarnquill_use_full_file target)
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}-full-device.log)
  string(REPLACE "/" "\\" windows_name "Z:${file}")
  add_test(NAME ${target}_full_file COMMAND ln -sf /dev/full ${file})
  set_tests_properties(${target}_full_file PROPERTIES FIXTURES_SETUP ${target}_full_file)
  set_property(TEST ${target} APPEND PROPERTY FIXTURES_REQUIRED ${target}_full_file)
  set_property(TEST ${target} APPEND PROPERTY ENVIRONMENT "TARNQUILL_FULL_FILE=${windows_name}")
endfunction()

# tarnquill_add_zone_test(TEST FILTER)
#   The cases of window test executable TEST that FILTER names run once more with the PC in
#   a time zone east of UTC (India, UTC+5:30), where a local time sent for a UTC one, or the
#   other way round, is hours off. TARNQUILL_TEST_ZONE tells the cases they run there.
function(tarnquill_add_zone_test target filter)
  _tarnquill_test_environment(env)
  add_test(NAME ${target}_zone COMMAND ${target} --gtest_brief=1 --gtest_filter=${filter})
  set_tests_properties(${target}_zone PROPERTIES
    ENVIRONMENT "${env};TZ=IST-5:30;TARNQUILL_TEST_ZONE=UTC+5:30"
    FIXTURES_REQUIRED "${target}_desktop;${target}_full_file")
endfunction()
