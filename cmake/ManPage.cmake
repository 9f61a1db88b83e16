# Writes plughost's manual page from its own help texts (plughost --help and each command's
# --help), so that the page says what the program says. Run at build time:
#   cmake -DPLUGHOST=path -DVERSION=1.0 -DOUTPUT=plughost.1.gz -P ManPage.cmake
execute_process(COMMAND ${PLUGHOST} --help OUTPUT_VARIABLE overview RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PLUGHOST} --help failed: ${result}")
endif()

# Text as roff shows it verbatim: backslashes doubled, no line taken for a request.
function(roff_text text variable)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

string(REGEX MATCHALL "\n  [a-z]+ " command_lines "${overview}")
set(sections "")
foreach(line ${command_lines})
  string(STRIP "${line}" name)
  execute_process(COMMAND ${PLUGHOST} ${name} --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PLUGHOST} ${name} --help failed: ${result}")
  endif()
  roff_text("${help}" help)
  string(APPEND sections ".SS ${name}\n.nf\n${help}.fi\n")
endforeach()
roff_text("${overview}" overview)

string(TIMESTAMP date "%Y-%m-%d" UTC)
file(WRITE ${OUTPUT}.tmp
".TH PLUGHOST 1 \"${date}\" \"plughost ${VERSION}\" \"User Commands\"
.SH NAME
plughost \\- a command-line host for VST 2 plug-ins
.SH SYNOPSIS
.B plughost
.I COMMAND
.RI [ ARGUMENTS ...]
.SH DESCRIPTION
plughost loads a VST 2 plug-in library as a host does and prints what it reports, renders
sound files through it, loads and saves its presets (.fxp and .fxb files), shows its editor
and checks it as a careful host would.
.PP
.nf
${overview}.fi
.SH COMMANDS
${sections}.SH FILES
.TP
.I /usr/lib/vst/Ombrisk.so, /usr/lib/vst/Vorlane.so
the plug-ins this package installs
.TP
.I /usr/share/ombrisk-vorlane/presets/
their factory presets as .fxp and .fxb files
.SH EXIT STATUS
0 on success, 1 when the work failed, 2 when the command line was wrong.
")
# gzip -n: no name or time stamp inside, so that the same page makes the same file.
execute_process(COMMAND gzip -9n -c ${OUTPUT}.tmp OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
file(REMOVE ${OUTPUT}.tmp)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed: ${result}")
endif()
