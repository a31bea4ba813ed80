# tarnquill-bench-run-view: the Run view listing a long sample log (run_view_bench.h). A
# short run is registered as a test, which checks that the benchmark works, never how
# fast it is.
add_executable(tarnquill-bench-run-view run_view_bench.cpp
                                        run_view_bench_${TARNQUILL_PLATFORM}.cpp)
if(WIN32)
  # The program's real windows, so its resources too.
  target_sources(tarnquill-bench-run-view PRIVATE ${TARNQUILL_RESOURCES})
  target_link_libraries(tarnquill-bench-run-view PRIVATE tarnquill_windows)
  target_compile_definitions(tarnquill-bench-run-view PRIVATE TARNQUILL_DEFAULT_SIMULATOR="")
else()
  target_link_libraries(tarnquill-bench-run-view PRIVATE tarnquill_sampling_core)
  target_compile_definitions(tarnquill-bench-run-view PRIVATE
                             TARNQUILL_DEFAULT_SIMULATOR="$<TARGET_FILE:tarnquill-sim>")
  add_dependencies(tarnquill-bench-run-view tarnquill-sim)
endif()

if(NOT BUILD_TESTING)
  return()
endif()
set(run_view_smoke --entries 20 --idle-seconds 1)
if(NOT WIN32)
  add_test(NAME bench_run_view_smoke COMMAND tarnquill-bench-run-view ${run_view_smoke} --unpaced)
  return()
endif()
include(${PROJECT_SOURCE_DIR}/tests/win32/wine_testing.cmake)
tarnquill_add_com_port_fixture(bench_run_view_sim PORT COM14 UNLISTED
  COMMAND ${TARNQUILL_NATIVE_BUILD_DIR}/sim/tarnquill-sim --link @LINK@ --scenario log500)
tarnquill_add_windows_test(tarnquill-bench-run-view ${run_view_smoke} --port COM14)
tarnquill_use_com_port_fixture(tarnquill-bench-run-view bench_run_view_sim)
tarnquill_use_window_test_desktop(tarnquill-bench-run-view)
