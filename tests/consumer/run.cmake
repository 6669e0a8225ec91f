# The consumer test, run by CTest: installs the build tree into a fresh
# staging prefix, checks the installed files, builds the consumer project
# (this folder) against the staged CMake package and a one-file program
# against the staged pkg-config module, and reads a note with both and with
# the staged verevizu (whose verified reading reports its own confidence).
#
# cmake -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch folder> -DCXX=<compiler>
#       -DBUILD_TYPE=<type> -DCXX_FLAGS=<flags> -DNOTE=<scan> -DSERIAL=<serial>
#       -DCONFIDENCE=<percent> -DVERIFIED_CONFIDENCE=<percent>
#       -DBINDIR=.. -DLIBDIR=.. -DINCLUDEDIR=.. -DMANDIR=.. -DDATADIR=..
#       -DGUI=<1 when the desktop tool is built> -P run.cmake
# (BINDIR to DATADIR: the build's install layout, relative to the prefix)
cmake_minimum_required(VERSION 3.25)

set(stage ${WORK_DIR}/stage)
file(REMOVE_RECURSE ${WORK_DIR})

# Runs a command and stops the test when it fails; its stdout in `out`.
function(run out)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE text ERROR_VARIABLE errors)
  if(NOT code EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "${command}\nfailed (${code}):\n${text}${errors}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(expect_line what actual expected)
  if(NOT actual STREQUAL "${expected}\n")
    message(FATAL_ERROR "${what} printed '${actual}', expected '${expected}'")
  endif()
endfunction()

function(expect_installed)
  foreach(file ${ARGN})
    if(NOT EXISTS ${stage}/${file})
      message(FATAL_ERROR "the installation has no ${file}")
    endif()
  endforeach()
endfunction()

run(ignored ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${stage})
expect_installed(${BINDIR}/verevizu ${MANDIR}/man1/verevizu.1.gz
                 ${INCLUDEDIR}/verevizu/serial/serialreader.h
                 ${LIBDIR}/cmake/Verevizu/VerevizuConfig.cmake ${LIBDIR}/pkgconfig/verevizu.pc)
if(GUI)
  expect_installed(${BINDIR}/verevizu-gui ${MANDIR}/man1/verevizu-gui.1.gz
                   ${DATADIR}/applications/verevizu-gui.desktop
                   ${DATADIR}/icons/hicolor/scalable/apps/verevizu.svg)
endif()

# The CMake package.
separate_arguments(flags UNIX_COMMAND "${CXX_FLAGS}")
list(JOIN flags " " flags)
get_filename_component(consumer ${CMAKE_CURRENT_LIST_FILE} DIRECTORY)
run(ignored ${CMAKE_COMMAND} -S ${consumer} -B ${WORK_DIR}/build
    -DCMAKE_PREFIX_PATH=${stage} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=${BUILD_TYPE} "-DCMAKE_CXX_FLAGS=${flags}")
file(STRINGS ${WORK_DIR}/build/CMakeCache.txt found REGEX "^Verevizu_DIR:")
if(NOT found STREQUAL "Verevizu_DIR:PATH=${stage}/${LIBDIR}/cmake/Verevizu")
  message(FATAL_ERROR "the consumer found another Verevizu: ${found}")
endif()
run(ignored ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(read ${WORK_DIR}/build/read_note ${NOTE})
expect_line("read_note (CMake package)" "${read}" "${SERIAL}\t${CONFIDENCE}")

# The pkg-config module.
set(ENV{PKG_CONFIG_PATH} ${stage}/${LIBDIR}/pkgconfig)
run(pc pkg-config --cflags --libs verevizu)
separate_arguments(pc UNIX_COMMAND "${pc}")
separate_arguments(flags UNIX_COMMAND "${CXX_FLAGS}")
run(ignored ${CXX} -std=c++20 ${flags} ${consumer}/read_note.cpp -o ${WORK_DIR}/read_note_pc ${pc})
run(read ${WORK_DIR}/read_note_pc ${NOTE})
expect_line("read_note (pkg-config)" "${read}" "${SERIAL}\t${CONFIDENCE}")

# The installed tool.
run(read ${stage}/${BINDIR}/verevizu serial --jobs 1 ${NOTE})
expect_line("verevizu serial" "${read}" "${NOTE}\t${SERIAL}\t${VERIFIED_CONFIDENCE}")
