# cmake -DSRC=<src folder> -P check_layers.cmake
#
# The libraries are layers, lowest first: each may include only the layers below it, so no
# dependency points up and no two libraries depend on each other. Fails naming every include
# that breaks the order.
#
# Below the window (widgets, console, app) the engine knows no control of it: no file there
# names one by its prefix (Lbl_, Btn_, Txt_, ...), not even in a comment or a key. Fails naming
# every such line.
#
# The engine puts nothing into the operator's words: no text but ASCII in src/engine (its notices
# are worded above it, in wording). Fails naming every such file.
#
# In the window each panel's view stands alone: a console file includes no other panel's header,
# except where the window is put together (console_roots), the parts the window's views share
# (console_shared) and a panel's own parts ("panel:part"). Fails naming every such include.
cmake_policy(SET CMP0057 NEW)
set(console_roots application main_window handlers)
set(console_shared race_tables settings_rows input_conventions master_choices)
set(console_parts pit_wall_window:pit_stop_dialog pit_wall_window:pit_wall_rules
                  pit_wall_window:pit_wall_view pit_wall_window:pit_wall_tables
                  pit_wall_rules:rules_table)
set(layers platform core model timing link masterdata race journal live relay standby engine wording widgets console app)
set(engine platform core model timing link masterdata race journal live relay standby engine wording)
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

set(worded "")
file(GLOB files "${SRC}/engine/*")
foreach(file IN LISTS files)
  file(READ "${file}" content)
  if(content MATCHES "[^\t\n\r -~]")
    file(RELATIVE_PATH shown "${SRC}" "${file}")
    list(APPEND worded "${shown}")
  endif()
endforeach()

set(crossed "")
file(GLOB files "${SRC}/console/*.cpp" "${SRC}/console/*.h")
foreach(file IN LISTS files)
  get_filename_component(panel "${file}" NAME_WE)
  if(panel IN_LIST console_roots)
    continue()
  endif()
  file(STRINGS "${file}" includes REGEX "^#include \"console/")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"console/([a-z_]+)\\.h\".*" "\\1" used "${line}")
    if(NOT used STREQUAL panel AND NOT used IN_LIST console_shared
       AND NOT "${panel}:${used}" IN_LIST console_parts)
      file(RELATIVE_PATH shown "${SRC}" "${file}")
      list(APPEND crossed "${shown}: ${line}")
    endif()
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
if(worded)
  list(JOIN worded "\n  " text)
  message(FATAL_ERROR "text for the operator in the engine (word it in wording):\n  ${text}")
endif()
if(crossed)
  list(JOIN crossed "\n  " text)
  message(FATAL_ERROR "a panel's view includes another panel's:\n  ${text}")
endif()
message(STATUS "layers hold: ${layers}; the engine names no control of the window; "
               "the engine holds no operator's text; no panel's view includes another's")
