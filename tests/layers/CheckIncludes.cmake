# Reads the #include lines of every .h and .cpp file under SOURCE_DIR and fails
# when one reaches a folder its own may not use: the layers table of
# CONTRIBUTING.md, encoded below. Change both together.
#
#     cmake -DSOURCE_DIR=<src> -DCONTRIBUTING=<CONTRIBUTING.md> [-DEXPECTED=<file>] -P CheckIncludes.cmake
#
# With EXPECTED, the script passes only when it finds exactly the offending
# includes listed there (one "<file> includes <header>" a line): its own test.

cmake_minimum_required(VERSION 3.25)

# ---- The layers table: what each folder may use directly (the rest follows) ----
# A view folder is views/<name>; every other folder is a top-level folder of src/.
set(features alarm controls device library map place route settings setup)

set(uses_platform "")
set(uses_async platform)
set(uses_routedata platform async)
set(uses_process "")
set(uses_runtime routedata process)
set(uses_devicebridge process routedata runtime)
set(uses_alerts routedata)
set(uses_planner platform async routedata process runtime devicebridge alerts)
set(uses_views_kit platform)
set(uses_views_common planner views/kit)
set(uses_views_feature planner views/kit views/common)
set(uses_app planner views/kit views/common)
foreach(feature IN LISTS features)
  list(APPEND uses_app views/${feature})
endforeach()
# Views reach the device only through the planner.
set(forbidden_views devicebridge)
# The one include between feature folders: the route panel's fields are place search fields.
set(allowed_across "views/route -> views/place/PlaceSearchField.h")

# ---- Helpers ----

# The folder (layer) a path under src/ belongs to: "planner", "views/kit", "views/route".
function(layer_of path out)
  string(REPLACE "/" ";" parts "${path}")
  list(LENGTH parts count)
  list(GET parts 0 first)
  if(first STREQUAL "views" AND count GREATER 2)
    list(GET parts 1 second)
    set(${out} "views/${second}" PARENT_SCOPE)
  elseif(count GREATER 1)
    set(${out} "${first}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

# The table's key for a layer: every feature folder shares one row.
function(row_of layer out)
  if(layer MATCHES "^views/(.*)$")
    if(CMAKE_MATCH_1 IN_LIST features)
      set(${out} views_feature PARENT_SCOPE)
    else()
      string(MAKE_C_IDENTIFIER "${layer}" key)
      set(${out} ${key} PARENT_SCOPE)
    endif()
  else()
    set(${out} "${layer}" PARENT_SCOPE)
  endif()
endfunction()

# Every layer `layer` may use, through the layers it uses too.
function(reachable layer out)
  row_of("${layer}" row)
  set(found "")
  set(queue ${uses_${row}})
  while(queue)
    list(POP_FRONT queue next)
    if(NOT next IN_LIST found)
      list(APPEND found ${next})
      row_of("${next}" next_row)
      list(APPEND queue ${uses_${next_row}})
    endif()
  endwhile()
  if(layer MATCHES "^views/")
    list(REMOVE_ITEM found ${forbidden_views})
  endif()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# ---- The check ----

if(NOT IS_DIRECTORY "${SOURCE_DIR}" OR NOT EXISTS "${CONTRIBUTING}")
  message(FATAL_ERROR "SOURCE_DIR and CONTRIBUTING must name the source folder and CONTRIBUTING.md")
endif()
file(REAL_PATH "${SOURCE_DIR}" SOURCE_DIR)
file(READ "${CONTRIBUTING}" contributing)
string(REGEX REPLACE "^.*## Layers" "" contributing "${contributing}")
string(REGEX REPLACE "\n## .*$" "" contributing "${contributing}")

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
list(SORT files)
if(NOT files)
  message(FATAL_ERROR "No source files under ${SOURCE_DIR}")
endif()
set(unknown "")
set(found "")
foreach(file IN LISTS files)
  layer_of("${file}" layer)
  if(layer STREQUAL "")
    continue()
  endif()
  row_of("${layer}" row)
  if(NOT DEFINED uses_${row})
    list(APPEND unknown "${layer}")
    continue()
  endif()
  # A folder the table of CONTRIBUTING.md does not name has no rule a reader can see.
  string(REGEX REPLACE "^views/" "" short "${layer}")
  if(NOT contributing MATCHES "`${layer}`" AND NOT (row STREQUAL "views_feature" AND contributing MATCHES "`${short}`"))
    list(APPEND unknown "${layer}")
  endif()
  reachable("${layer}" allowed)
  file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" header "${line}")
    layer_of("${header}" target)
    # Headers without a folder are generated ones (BuildConfig.h) or the file's neighbours.
    if(target STREQUAL "" OR target STREQUAL layer OR target IN_LIST allowed)
      continue()
    endif()
    if("${layer} -> ${header}" IN_LIST allowed_across)
      continue()
    endif()
    list(APPEND found "${file} includes ${header}")
  endforeach()
endforeach()

list(REMOVE_DUPLICATES unknown)
foreach(layer IN LISTS unknown)
  list(APPEND found "${layer} is not in the layers table")
endforeach()

if(DEFINED EXPECTED)
  file(STRINGS "${EXPECTED}" expected)
  list(SORT expected)
  list(SORT found)
  if(NOT found STREQUAL expected)
    string(REPLACE ";" "\n  " found_text "${found}")
    string(REPLACE ";" "\n  " expected_text "${expected}")
    message(FATAL_ERROR "Found:\n  ${found_text}\nbut expected:\n  ${expected_text}")
  endif()
  list(LENGTH found count)
  message(STATUS "All ${count} expected offences found")
  return()
endif()

if(found)
  foreach(offence IN LISTS found)
    message(SEND_ERROR "${offence}: against the layers table of CONTRIBUTING.md")
  endforeach()
  message(FATAL_ERROR "Includes must point down the layers; a views feature folder includes only kit and common")
endif()
list(LENGTH files count)
message(STATUS "The includes of ${count} files point down the layers")
