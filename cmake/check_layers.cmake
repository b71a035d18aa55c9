# cmake -DSRC=<src folder> -P check_layers.cmake
#
# The libraries are layers, lowest first: each may include only the layers below it, so no
# dependency points up and no two libraries depend on each other. Fails naming every include
# that breaks the order.
set(layers platform core model timing link masterdata race journal live engine widgets console app)

set(broken "")
list(LENGTH layers count)
math(EXPR last "${count} - 1")
foreach(rank RANGE ${last})
  list(GET layers ${rank} layer)
  file(GLOB_RECURSE files "${SRC}/${layer}/*.cpp" "${SRC}/${layer}/*.h")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" includes REGEX "^#include \"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" used "${line}")
      list(FIND layers "${used}" usedRank)
      if(usedRank EQUAL -1 OR usedRank GREATER rank)
        file(RELATIVE_PATH shown "${SRC}" "${file}")
        list(APPEND broken "${shown}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(broken)
  list(JOIN broken "\n  " text)
  message(FATAL_ERROR "includes against the layers (${layers}):\n  ${text}")
endif()
message(STATUS "layers hold: ${layers}")
