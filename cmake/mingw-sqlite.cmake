# SQLite for the Windows build: Debian ships no MinGW SQLite, so its amalgamation is made
# once from Debian's sqlite3 source package (tools/sqlite-amalgamation, about 20 s) and
# kept in the build folder; MinGW compiles it into the programs, which then import nothing
# beyond KERNEL32 and msvcrt for it.
if(NOT TARGET SQLite::SQLite3)
  enable_language(C)
  set(TARNQUILL_SQLITE_DIR ${CMAKE_BINARY_DIR}/sqlite CACHE PATH
      "Folder holding sqlite3.c and sqlite3.h for the Windows build")
  if(NOT EXISTS ${TARNQUILL_SQLITE_DIR}/sqlite3.c)
    execute_process(COMMAND ${PROJECT_SOURCE_DIR}/tools/sqlite-amalgamation ${TARNQUILL_SQLITE_DIR}
                    RESULT_VARIABLE made)
    if(NOT made EQUAL 0)
      message(FATAL_ERROR "Could not make SQLite for the Windows build (tools/sqlite-amalgamation)")
    endif()
  endif()
  add_library(tarnquill_sqlite3 STATIC ${TARNQUILL_SQLITE_DIR}/sqlite3.c)
  # SQLite's own code, compiled as its authors ship it: the project's warnings do not apply.
  target_compile_options(tarnquill_sqlite3 PRIVATE -w -O2)
  target_compile_definitions(tarnquill_sqlite3 PUBLIC SQLITE_OMIT_LOAD_EXTENSION SQLITE_THREADSAFE=1
                                                      SQLITE_DEFAULT_FOREIGN_KEYS=0)
  target_include_directories(tarnquill_sqlite3 SYSTEM PUBLIC ${TARNQUILL_SQLITE_DIR})
  add_library(SQLite::SQLite3 ALIAS tarnquill_sqlite3)
endif()
