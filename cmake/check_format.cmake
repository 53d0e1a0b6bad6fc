# Checks that every C++ file of the tree is formatted as .clang-format says.
# Run as
#   cmake -DCLANG_FORMAT=<clang-format> -DSOURCE_DIR=<the tree> -P check_format.cmake
# It fails naming each file that clang-format would change.

cmake_minimum_required(VERSION 3.25)

file(GLOB_RECURSE files
  "${SOURCE_DIR}/rastella/*.cpp" "${SOURCE_DIR}/rastella/*.h"
  "${SOURCE_DIR}/treebane/*.cpp" "${SOURCE_DIR}/treebane/*.h"
  "${SOURCE_DIR}/bench/*.cpp" "${SOURCE_DIR}/bench/*.h"
  "${SOURCE_DIR}/fuzzing/*.cpp" "${SOURCE_DIR}/fuzzing/*.h")

set(unformatted "")
foreach(file IN LISTS files)
  execute_process(COMMAND "${CLANG_FORMAT}" --style=file --dry-run --Werror "${file}"
                  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  if(NOT result EQUAL 0)
    file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
    list(APPEND unformatted "${shown}")
  endif()
endforeach()

if(unformatted)
  list(JOIN unformatted "\n  " report)
  message(FATAL_ERROR "not formatted as .clang-format says (clang-format -i fixes them):\n  ${report}")
endif()
list(LENGTH files count)
message(STATUS "${count} files formatted")
