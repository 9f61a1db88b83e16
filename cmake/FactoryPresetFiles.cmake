# Writes the factory presets as preset files, made by plughost from the plug-ins themselves:
# each preset of the tables (through factory_presets) set in the plug-in and saved with
# --save-preset, so no byte of them is written by hand. Run at build time:
#   cmake -DPLUGHOST=... -DFACTORY_PRESETS=... -DOMBRISK=... -DVORLANE=... -DPYTHON=...
#         -DSIGNAL_SCRIPT=tools/make_signal.py -DWORK=dir -DOUTPUT=dir -P FactoryPresetFiles.cmake
# OUTPUT/Ombrisk/NAME.fxp and OUTPUT/Vorlane/NAME.fxp per preset, and OUTPUT/Ombrisk/factory.fxb:
# the sixteen programs with the presets first, under their titles, the rest as the plug-in
# starts them.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    string(REPLACE ";" " " line "${ARGN}")
    message(FATAL_ERROR "${line} failed (${result}):\n${out}${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

# Lines "NAME TITLE" into a list of names and a list of titles.
function(titles plugin names_var titles_var)
  run(${FACTORY_PRESETS} titles ${plugin})
  string(REPLACE "\n" ";" lines "${output}")
  set(names "")
  set(titles "")
  foreach(line ${lines})
    if(line MATCHES "^([^ ]+) (.+)$")
      list(APPEND names "${CMAKE_MATCH_1}")
      list(APPEND titles "${CMAKE_MATCH_2}")
    endif()
  endforeach()
  set(${names_var} "${names}" PARENT_SCOPE)
  set(${titles_var} "${titles}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK} ${OUTPUT})
file(MAKE_DIRECTORY ${WORK} ${OUTPUT}/Ombrisk ${OUTPUT}/Vorlane)
set(signal ${WORK}/signal.wav)
set(render ${WORK}/render.wav)
run(${PYTHON} ${SIGNAL_SCRIPT} ${signal})

# Ombrisk: the settings of each preset as parameters.
titles(ombrisk names ombrisk_titles)
run(${FACTORY_PRESETS} ombrisk)
string(REPLACE "\n" ";" lines "${output}")
set(bank ${OUTPUT}/Ombrisk/factory.fxb)
set(program 0)
foreach(line ${lines})
  if(NOT line MATCHES "^([^ ]+) [^ ]+ (.*)$")
    continue()
  endif()
  set(name ${CMAKE_MATCH_1})
  separate_arguments(parameters UNIX_COMMAND "${CMAKE_MATCH_2}")
  list(FIND names ${name} at)
  list(GET ombrisk_titles ${at} title)
  run(${PLUGHOST} process ${OMBRISK} ${signal} ${render} ${parameters} --program-name ${title}
      --save-preset ${OUTPUT}/Ombrisk/${name}.fxp)
  if(program EQUAL 0)
    set(from "")
  else()
    set(from --preset ${bank})
  endif()
  run(${PLUGHOST} process ${OMBRISK} ${signal} ${render} ${from} --program ${program} ${parameters}
      --program-name ${title} --save-preset ${bank})
  math(EXPR program "${program} + 1")
endforeach()
# The bank opens on its first program.
run(${PLUGHOST} process ${OMBRISK} ${signal} ${render} --preset ${bank} --program 0 --save-preset ${bank})

# Vorlane: each preset's curve and settings as the chunk the plug-in takes, then saved by it.
titles(vorlane names vorlane_titles)
run(${FACTORY_PRESETS} vorlane ${WORK}/chunks)
foreach(name ${names})
  list(FIND names ${name} at)
  list(GET vorlane_titles ${at} title)
  run(${PLUGHOST} process ${VORLANE} ${signal} ${render} --load-chunk ${WORK}/chunks/${name}.chunk
      --program-name ${title} --save-preset ${OUTPUT}/Vorlane/${name}.fxp)
endforeach()
file(REMOVE ${render})
