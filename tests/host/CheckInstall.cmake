# Installs the build into a scratch prefix and checks that the plug-ins land in <prefix>/lib/vst
# (where Linux hosts look) and plughost in <prefix>/bin.
# Arguments: -DBUILD_DIR=... -DPREFIX=... -DPLUGINS=Name;Name
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(expected bin/plughost ${PLUGINS})
  if(NOT EXISTS ${PREFIX}/${expected})
    message(FATAL_ERROR "missing after install: ${PREFIX}/${expected}")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
