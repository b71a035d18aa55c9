# cmake -DSRC=<src folder> -P check_layers.cmake
#
# The libraries are layers, lowest first: each may include only the layers below it, so no
# dependency points up and no two libraries depend on each other. Fails naming every include
# that breaks the order.
#
# Below the window (widgets, console, app) the engine knows no control of it: no file there
# names one by its prefix (Lbl_, Btn_, Txt_, ...), not even in a comment or a key. Fails naming
# every such line.
set(layers platform core model timing link masterdata race journal live engine widgets console app)
set(engine platform core model timing link masterdata race journal live engine)
set(control_name "(^|[^A-Za-z0-9_])(Lbl|Btn|Txt|Cmb|Spd|Chk|Meter|Frm)_[A-Za-z]")

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

set(named "")
foreach(layer IN LISTS engine)
  file(GLOB_RECURSE files "${SRC}/${layer}/*")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines ENCODING UTF-8 REGEX "${control_name}")
    foreach(line IN LISTS lines)
      file(RELATIVE_PATH shown "${SRC}" "${file}")
      string(STRIP "${line}" line)
      list(APPEND named "${shown}: ${line}")
    endforeach()
  endforeach()
endforeach()

if(broken)
  list(JOIN broken "\n  " text)
  message(FATAL_ERROR "includes against the layers (${layers}):\n  ${text}")
endif()
if(named)
  list(JOIN named "\n  " text)
  message(FATAL_ERROR "the window's controls named in the engine (${engine}):\n  ${text}")
endif()
message(STATUS "layers hold: ${layers}; the engine names no control of the window")
