# The module entry compiled into every plug-in, for the platform being built.
if(WIN32)
  set(OV_MODULE_ENTRY_SOURCES ${PROJECT_SOURCE_DIR}/framework/Entry.cpp
      ${PROJECT_SOURCE_DIR}/framework/win32/ModuleEntry.cpp)
else()
  set(OV_MODULE_ENTRY_SOURCES ${PROJECT_SOURCE_DIR}/framework/Entry.cpp
      ${PROJECT_SOURCE_DIR}/framework/posix/ModuleEntry.cpp)
endif()

# add_bitmap_table(TARGET [ID FILE]...)
# Gives TARGET its bitmaps, found by integer id: on Windows bitmap resources of the module
# (a resource script for windres), elsewhere a table embedded in the code (empty when none
# are given).
function(add_bitmap_table target)
  set(files "")
  set(pairs "")
  set(script "// Generated: the module's bitmap resources.\n")
  set(args ${ARGN})
  list(LENGTH args n)
  set(i 0)
  while(i LESS n)
    list(GET args ${i} id)
    math(EXPR j "${i} + 1")
    list(GET args ${j} file)
    get_filename_component(file "${file}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND files ${file})
    list(APPEND pairs ${id} ${file})
    string(APPEND script "${id} BITMAP \"${file}\"\n")
    math(EXPR i "${i} + 2")
  endwhile()
  if(WIN32)
    if(files) # windres refuses a script without resources
      set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_bitmaps.rc)
      file(CONFIGURE OUTPUT ${out} CONTENT "${script}")
      set_source_files_properties(${out} PROPERTIES OBJECT_DEPENDS "${files}")
      target_sources(${target} PRIVATE ${out})
    endif()
    return()
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_bitmaps.cpp)
  string(REPLACE ";" "|" pairs_arg "${pairs}")
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} "-DBITMAPS=${pairs_arg}"
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedBitmaps.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/EmbedBitmaps.cmake
    COMMENT "Embedding bitmaps of ${target}" VERBATIM)
  target_sources(${target} PRIVATE ${out})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

# add_vst_plugin(NAME SOURCES ... [LIBRARIES ...] [BITMAPS ID FILE ...] [TEST_ONLY])
# A loadable VST 2 module at bin/NAME.so (bin/NAME.dll on Windows) that exports only the entry
# symbols; BITMAPS are the module's bitmaps (files relative to the calling directory).
# TEST_ONLY modules stay in the calling directory's build folder and are not installed.
# Windows installs put the DLLs into <prefix>/VstPlugins, elsewhere <prefix>/lib/vst.
function(add_vst_plugin name)
  cmake_parse_arguments(P "TEST_ONLY" "" "SOURCES;LIBRARIES;BITMAPS" ${ARGN})
  add_library(${name} MODULE ${P_SOURCES} ${OV_MODULE_ENTRY_SOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  target_link_libraries(${name} PRIVATE framework ${P_LIBRARIES})
  if(WIN32)
    # Exactly VSTPluginMain and main are exported; hidden visibility means nothing to DLLs.
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/framework/win32/Entry.def)
    set(destination VstPlugins)
  else()
    target_link_options(${name} PRIVATE -Wl,--no-undefined -Wl,--exclude-libs,ALL)
    # lib/vst whatever the system's library folder (lib64, lib/<multiarch>): it is where Linux
    # hosts look.
    set(destination lib/vst)
  endif()
  add_bitmap_table(${name} ${P_BITMAPS})
  if(P_TEST_ONLY)
    set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  else()
    install(TARGETS ${name} LIBRARY DESTINATION ${destination})
  endif()
endfunction()

# bitmap_folder(VAR FOLDER)
# Sets VAR to the id/file pairs of FOLDER's BMP files, each named ID-anything.bmp, for
# add_vst_plugin BITMAPS and add_bitmap_table; a file added to the folder is picked up by the
# next build.
function(bitmap_folder var folder)
  file(GLOB files CONFIGURE_DEPENDS ${folder}/*.bmp)
  list(SORT files)
  set(pairs "")
  foreach(file ${files})
    get_filename_component(name ${file} NAME)
    if(NOT name MATCHES "^([0-9]+)-")
      message(FATAL_ERROR "${file}: bitmap files are named ID-anything.bmp")
    endif()
    list(APPEND pairs ${CMAKE_MATCH_1} ${file})
  endforeach()
  set(${var} ${pairs} PARENT_SCOPE)
endfunction()
