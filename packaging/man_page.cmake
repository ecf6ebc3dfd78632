# Writes the manual page of clipwright-cli from the tool's own help text, so
# that the two never disagree:
#
#   cmake -DCLI=<clipwright-cli> -DVERSION=<x.y> -DOUT=<page.1> -P man_page.cmake
foreach(var CLI VERSION OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "man_page: ${var} is not set")
  endif()
endforeach()

execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "man_page: ${CLI} --help failed (${status})")
endif()

# Text as roff shows it: backslashes and hyphens escaped, no line taken for
# a request.
function(roff_text text result)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

# The command list follows the line "commands:": "  name usage" lines,
# each followed by its indented summary.
set(commands "")
set(in_commands FALSE)
string(REPLACE ";" "\\;" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
foreach(line IN LISTS lines)
  if(line STREQUAL "commands:")
    set(in_commands TRUE)
  elseif(NOT in_commands)
    continue()
  elseif(line MATCHES "^      (.+)$")
    roff_text("${CMAKE_MATCH_1}" summary)
    string(APPEND commands "${summary}\n")
  elseif(line MATCHES "^  ([^ ]+) ?(.*)$")
    roff_text("${CMAKE_MATCH_1}" name)
    roff_text("${CMAKE_MATCH_2}" usage)
    string(APPEND commands ".TP\n\\fB${name}\\fR ${usage}\n")
  endif()
endforeach()
if(commands STREQUAL "")
  message(FATAL_ERROR "man_page: no commands in the help text of ${CLI}")
endif()

file(WRITE ${OUT} ".TH CLIPWRIGHT\\-CLI 1 \"\" \"clipwright\\-cli ${VERSION}\" \"User Commands\"
.SH NAME
clipwright\\-cli \\- download, analyse and convert videos from the command line
.SH SYNOPSIS
.B clipwright\\-cli
.I command
.RI [ arguments ]
.br
.B clipwright\\-cli
.BR \\-\\-help \" | \" \\-\\-version
.SH DESCRIPTION
.B clipwright\\-cli
runs the engines of the desktop program
.BR clipwright :
the site scripts that find the stream of a web page, the segmented and
streaming downloaders, the media probe and the conversions. Each command
prints its result on standard output; diagnostics go to standard error.
.SH COMMANDS
${commands}.SH EXIT STATUS
0 when the command succeeded, 1 when it failed, 2 when the command line
does not parse.
.SH FILES
The site scripts are read from
.I ../share/clipwright/script.ent
beside the installed program, or from the folder named by
.B CLIPWRIGHT_HOME
when it is set.
")
