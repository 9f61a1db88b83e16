# Installs the build into a scratch prefix and checks that the plug-ins land where the caller
# says (<prefix>/lib/vst and the LV2 bundles in <prefix>/lib/lv2 on Linux, where Linux hosts
# look) and plughost in <prefix>/bin.
# Arguments: -DBUILD_DIR=... -DPREFIX=... -DPLUGINS=path;path [-DHOST=bin/plughost.exe]
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
if(NOT HOST)
  set(HOST bin/plughost)
endif()
foreach(expected ${HOST} ${PLUGINS})
  if(NOT EXISTS ${PREFIX}/${expected})
    message(FATAL_ERROR "missing after install: ${PREFIX}/${expected}")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
