# Keeps the layering of the libraries true: scans the #include lines of every
# library folder and fails on an include that reaches a layer the folder may
# not use. Run by CTest:
#   cmake -DSOURCE_DIR=<project> -DPUBLIC_HEADERS=<a,b,...> -P check_includes.cmake
# PUBLIC_HEADERS lists the installed headers ("ocr/omnifontocr.h", ...), the
# only ones a folder marked "public" below may include from another folder.
cmake_minimum_required(VERSION 3.25)

# folder      folders it may include (besides its own)       what else
set(layers
  "platform   |                                              |"
  "image      | platform                                     |"
  "ocr        | classifier image platform                    |"
  "classifier | ocr image platform                           |"
  "barcode    | image platform                               |"
  "graphics   | image platform                               |"
  "serial     | ocr barcode image platform                   | public"
  "records    | serial platform                              | public"
  "viewer     | graphics image platform                      | Qt"
  "cli        | records serial ocr barcode graphics image platform |"
  "app        | viewer records serial ocr barcode graphics image platform | Qt"
)
# Folders that are not libraries: checked by nothing here.
set(unlayered tests bench fuzz packaging samples build)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()
string(REPLACE "," ";" publicHeaders "${PUBLIC_HEADERS}")

set(folders)
foreach(row IN LISTS layers)
  string(REPLACE "|" ";" cells "${row}")
  list(GET cells 0 folder)
  list(GET cells 1 allowed)
  list(GET cells 2 extras)
  string(STRIP "${folder}" folder)
  string(STRIP "${extras}" extras)
  string(REGEX REPLACE "[ ]+" ";" allowed "${allowed}")
  list(FILTER allowed EXCLUDE REGEX "^$")
  list(APPEND folders ${folder})
  set(allowed_${folder} ${folder} ${allowed})
  set(extras_${folder} "${extras}")
endforeach()

set(faults)

# A folder of code that the table does not know has no layer yet.
file(GLOB entries RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
foreach(entry IN LISTS entries)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${entry} OR entry MATCHES "^[.]" OR entry MATCHES "^build")
    continue()
  endif()
  if(entry IN_LIST folders OR entry IN_LIST unlayered)
    continue()
  endif()
  file(GLOB_RECURSE code ${SOURCE_DIR}/${entry}/*.cpp ${SOURCE_DIR}/${entry}/*.h)
  if(code)
    list(APPEND faults "${entry}/: a folder of code with no row in the layer table")
  endif()
endforeach()

foreach(folder IN LISTS folders)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.cpp
       ${SOURCE_DIR}/${folder}/*.h)
  foreach(source IN LISTS sources)
    file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      if(NOT line MATCHES "#[ \t]*include[ \t]*([<\"])([^>\"]+)")
        continue()
      endif()
      set(header "${CMAKE_MATCH_2}")
      if(CMAKE_MATCH_1 STREQUAL "<")
        if(header MATCHES "^Qt?[A-Z]" AND NOT extras_${folder} STREQUAL "Qt")
          list(APPEND faults "${source}: <${header}>: only viewer and app may use Qt")
        endif()
        continue()
      endif()
      if(NOT header MATCHES "^([a-z_]+)/")
        continue()
      endif()
      set(target "${CMAKE_MATCH_1}")
      if(NOT target IN_LIST folders)
        continue()
      endif()
      if(NOT target IN_LIST allowed_${folder})
        list(APPEND faults "${source}: \"${header}\": ${folder} may not include ${target}")
      elseif(NOT target STREQUAL folder AND extras_${folder} STREQUAL "public"
             AND NOT header IN_LIST publicHeaders)
        list(APPEND faults
             "${source}: \"${header}\": ${folder} may include only public headers of ${target}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "includes against the layers:\n  ${text}")
endif()
list(LENGTH folders count)
message(STATUS "includes of ${count} library folders follow the layers")
