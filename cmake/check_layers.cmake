# Fails when a source includes a header from a layer above its own. Dependencies point one
# way: app/ and cli/ on the subsystems; sampling/, config/, diagnostics/ on ui/ and link/,
# never on each other; archive/ on ui/ and link/, fleet/ on archive/ and link/; ui/ on link/;
# link/ on nothing.
#
#   cmake -DSOURCE_DIR=<repository> -P cmake/check_layers.cmake
#
# Each folder lists the folders its sources may include from (besides itself); "tarnquill"
# is the generated version header. The command-line tool's resource script shares the
# program's icon and version block. Tests, benchmarks and fuzz targets may include anything.
cmake_minimum_required(VERSION 3.25)

set(allowed_link "")
set(allowed_ui link tarnquill)
set(allowed_sampling ui link tarnquill)
set(allowed_config ui link tarnquill)
set(allowed_diagnostics ui link tarnquill)
set(allowed_archive ui link)
set(allowed_fleet archive link)
set(allowed_sim link)
set(allowed_app ui link sampling config diagnostics tarnquill)
set(allowed_cli ui link sampling config diagnostics archive fleet sim tarnquill)
set(allowed_cli_rc app)
set(layers link ui sampling config diagnostics archive fleet sim app cli)

set(faults "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp
       ${SOURCE_DIR}/${layer}/*.rc)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      if(NOT line MATCHES "\"(\\.\\./)?([A-Za-z0-9_]+)/")
        continue()  # a header beside the source
      endif()
      set(folder ${CMAKE_MATCH_2})
      if(folder STREQUAL layer OR folder IN_LIST allowed_${layer})
        continue()
      endif()
      if(source MATCHES "\\.rc$" AND folder IN_LIST allowed_${layer}_rc)
        continue()
      endif()
      file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
      string(STRIP "${line}" line)
      list(APPEND faults "${name}: ${line}")
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes from a layer above:\n  ${text}")
endif()
