# Writes the verevizu man page from the tool's own help, so that the page never
# drifts from the options: `verevizu --help` gives the name, synopsis,
# description and commands; `verevizu COMMAND --help` each command's text and
# options. Option groups and closing notes that every command shares are
# written once, in their own sections.
#
# cmake -DTOOL=<path of verevizu> -DOUTPUT=<verevizu.1.gz> -P manpage.cmake
#
# A program without commands (the desktop tool) gets a page of its help as
# it prints it: add -DNAME=<program> -DSUMMARY=<what it is, in one line>.
cmake_minimum_required(VERSION 3.25)

# Help text is split into lines through a CMake list, where ';', '[' and ']'
# have meanings of their own: they travel as control characters.
string(ASCII 1 kSemicolon)
string(ASCII 2 kOpen)
string(ASCII 3 kClose)

# The lines of `TOOL ARGS...` in `out`.
function(help_lines out)
  execute_process(COMMAND ${TOOL} ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE text
                  ERROR_VARIABLE errors)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "${TOOL} ${ARGN} failed (${code}): ${errors}")
  endif()
  string(REPLACE ";" "${kSemicolon}" text "${text}")
  string(REPLACE "[" "${kOpen}" text "${text}")
  string(REPLACE "]" "${kClose}" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

# A help line as roff text: backslashes escaped, and a line starting with a
# control character made plain. The stand-ins stay until the page is written.
function(roff out line)
  string(REPLACE "\\" "\\e" line "${line}")
  string(REGEX REPLACE "^([.'])" "\\\\&\\1" line "${line}")
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

# Options: "  --name VALUE    help", the help going on in deeper-indented lines.
# A group heading ("Common options:") is a line ending in a colon followed by
# an option.
set(kOptionLine "^  (-[^ ]*)( [^ ]+)?( +(.*))?$")
set(kHeadingLine "^([A-Z][A-Za-z ]*):$")

# An option's name in bold and its value in italics.
function(option_roff out name value)
  string(REPLACE "-" "\\-" name "${name}")
  string(STRIP "${value}" value)
  roff(value "${value}")
  if(value STREQUAL "")
    set(${out} "\\fB${name}\\fR" PARENT_SCOPE)
  else()
    set(${out} "\\fB${name}\\fR \\fI${value}\\fR" PARENT_SCOPE)
  endif()
endfunction()

# Roff for a block of help lines: prose (a line ending a sentence keeps its
# line break, a blank line starts a paragraph) and option groups. The groups
# go to `groups_out` as "<heading>=<roff>" entries, apart from the prose in
# `prose_out`.
function(render_block lines prose_out groups_out)
  set(prose "")
  set(groups "")
  set(group "")
  set(body "")
  list(LENGTH lines count)
  set(i 0)
  foreach(line IN LISTS lines)
    math(EXPR i "${i} + 1")
    set(next "")
    if(i LESS count)
      list(GET lines ${i} next)
    endif()
    if(next MATCHES "${kOptionLine}" AND line MATCHES "${kHeadingLine}")
      if(group)
        list(APPEND groups "${group}=${body}")
      endif()
      set(group "${CMAKE_MATCH_1}")  # of the heading, matched last
      set(body "")
    elseif(group AND line MATCHES "${kOptionLine}")
      set(help "${CMAKE_MATCH_4}")
      option_roff(name "${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
      string(APPEND body ".TP\n${name}\n")
      if(NOT help STREQUAL "")
        roff(help "${help}")
        string(APPEND body "${help}\n")
      endif()
    elseif(group AND line MATCHES "^ +[^ ]")
      string(STRIP "${line}" line)
      roff(line "${line}")
      string(APPEND body "${line}\n")
    elseif(group AND line STREQUAL "")
      list(APPEND groups "${group}=${body}")
      set(group "")
    elseif(line STREQUAL "")
      string(APPEND prose ".PP\n")
    else()
      roff(text "${line}")
      string(APPEND prose "${text}\n")
      if(line MATCHES "\\.$")
        string(APPEND prose ".br\n")
      endif()
    endif()
  endforeach()
  if(group)
    list(APPEND groups "${group}=${body}")
  endif()
  set(${prose_out} "${prose}" PARENT_SCOPE)
  set(${groups_out} "${groups}" PARENT_SCOPE)
endfunction()

# Writes the page and compresses it as Debian wants it.
function(write_page page)
  string(REPLACE "${kSemicolon}" ";" page "${page}")
  string(REPLACE "${kOpen}" "[" page "${page}")
  string(REPLACE "${kClose}" "]" page "${page}")
  string(REGEX REPLACE "\\.gz$" "" plain "${OUTPUT}")
  file(WRITE ${plain} "${page}")
  execute_process(COMMAND gzip -9nf ${plain} RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "gzip ${plain} failed")
  endif()
endfunction()

# --- A program without commands (-DNAME=<program> -DSUMMARY=<one line>) -------
# Its help as it prints it, below the name and the usage line.
if(DEFINED SUMMARY)
  help_lines(lines --help)
  list(POP_FRONT lines usage)
  string(REGEX REPLACE "^[Uu]sage: [^ ]+ ?" "" usage "${usage}")
  string(REPLACE "-" "\\-" usage "${usage}")
  set(body "")
  foreach(line IN LISTS lines)
    roff(line "${line}")
    string(APPEND body "${line}\n")
  endforeach()
  execute_process(COMMAND ${TOOL} --version OUTPUT_VARIABLE version
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  string(TOUPPER "${NAME}" title)
  write_page(".TH ${title} 1 \"\" \"${version}\" \"User Commands\"
.SH NAME
${NAME} \\- ${SUMMARY}
.SH SYNOPSIS
.B ${NAME}
${usage}
.SH DESCRIPTION
.nf
${body}.fi
")
  return()
endif()

# --- The tool: usage, description, commands, closing line ---------------------
help_lines(tool --help)
list(GET tool 0 usage)
string(REGEX REPLACE "^usage: verevizu " "" usage "${usage}")
list(GET tool 2 description)
string(REGEX REPLACE "\\.$" "" summary "${description}")
string(TOLOWER "${summary}" summary)
set(commands "")
set(closing "")
set(inCommands FALSE)
foreach(line IN LISTS tool)
  if(line STREQUAL "Commands:")
    set(inCommands TRUE)
  elseif(inCommands AND line MATCHES "^  ([a-z]+) ")
    list(APPEND commands ${CMAKE_MATCH_1})
  elseif(inCommands AND line STREQUAL "")
    set(inCommands FALSE)
  elseif(NOT inCommands AND commands AND NOT line STREQUAL "")
    roff(closing "${line}")
  endif()
endforeach()
if(NOT commands)
  message(FATAL_ERROR "no commands in the help of ${TOOL}")
endif()
execute_process(COMMAND ${TOOL} --version OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE)

# --- Each command: its text, its own options, the shared parts -------------------
set(synopsis "")
set(sections "")
# Only the commands that read image files (their usage ends in PATH...) share
# options and notes; a command on a record store keeps all of its own.
set(shared "")       # group entries of the first such command, minus those not shared
set(sharedNotes "")  # the closing paragraph, when every such command ends with the same
set(first TRUE)
foreach(command ${commands})
  help_lines(lines ${command} --help)
  list(POP_FRONT lines usageLine)
  string(REGEX REPLACE "^usage: verevizu ${command} " "" commandUsage "${usageLine}")
  string(REPLACE "-" "\\-" commandUsage "${commandUsage}")
  string(APPEND synopsis ".br\n.B verevizu ${command}\n${commandUsage}\n")

  # The closing paragraph: the lines after the last blank line.
  list(LENGTH lines count)
  set(last -1)
  foreach(i RANGE 0 ${count})
    if(i LESS count)
      list(GET lines ${i} line)
      if(line STREQUAL "")
        set(last ${i})
      endif()
    endif()
  endforeach()
  math(EXPR notesFrom "${last} + 1")
  list(SUBLIST lines ${notesFrom} -1 notes)
  list(SUBLIST lines 0 ${notesFrom} body)
  render_block("${body}" prose groups)
  render_block("${notes}" notesProse ignored)

  set(commandGroups_${command} "${groups}")
  set(commandProse_${command} "${prose}")
  set(commandNotes_${command} "${notesProse}")
  if(NOT commandUsage MATCHES "PATH\\.\\.\\.$")
    set(alone_${command} TRUE)
    continue()
  endif()
  if(first)
    set(shared "${groups}")
    set(sharedNotes "${notesProse}")
    set(first FALSE)
  else()
    set(stillShared "")
    foreach(entry IN LISTS shared)
      if(entry IN_LIST groups)
        list(APPEND stillShared "${entry}")
      endif()
    endforeach()
    set(shared "${stillShared}")
    if(NOT notesProse STREQUAL sharedNotes)
      set(sharedNotes "")
    endif()
  endif()
endforeach()

foreach(command ${commands})
  string(APPEND sections ".SS \"verevizu ${command}\"\n${commandProse_${command}}")
  foreach(entry IN LISTS commandGroups_${command})
    if(alone_${command} OR NOT entry IN_LIST shared)
      string(REGEX REPLACE "^[^=]*=" "" body "${entry}")
      string(APPEND sections "${body}")
    endif()
  endforeach()
  if(alone_${command} OR NOT sharedNotes)
    string(APPEND sections ".PP\n${commandNotes_${command}}")
  endif()
endforeach()

set(sharedSections "")
foreach(entry IN LISTS shared)
  string(REGEX MATCH "^[^=]*" name "${entry}")
  string(REGEX REPLACE "^[^=]*=" "" body "${entry}")
  string(TOUPPER "${name}" name)
  string(APPEND sharedSections ".SH \"${name}\"\nThese options work with every command that reads images.\n${body}")
endforeach()
if(sharedNotes)
  string(APPEND sharedSections ".SH NOTES\n${sharedNotes}")
endif()

roff(description "${description}")
string(REPLACE "-" "\\-" usage "${usage}")
set(page ".TH VEREVIZU 1 \"\" \"${version}\" \"User Commands\"
.SH NAME
verevizu \\- ${summary}
.SH SYNOPSIS
.B verevizu
${usage}
${synopsis}.SH DESCRIPTION
${description}
.PP
${closing}
.SH COMMANDS
${sections}${sharedSections}")
write_page("${page}")
