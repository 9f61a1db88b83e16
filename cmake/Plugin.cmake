# add_bitmap_table(TARGET [ID FILE]...)
# Embeds the BMP files in TARGET as its bitmap table, found by integer id (an empty table
# when none are given).
function(add_bitmap_table target)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_bitmaps.cpp)
  set(files "")
  set(pairs "")
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
    math(EXPR i "${i} + 2")
  endwhile()
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
# A loadable VST 2 module at bin/NAME.so that exports only the entry symbols; BITMAPS are
# embedded as the module's bitmap table (files relative to the calling directory). TEST_ONLY
# modules stay in the calling directory's build folder and are not installed.
function(add_vst_plugin name)
  cmake_parse_arguments(P "TEST_ONLY" "" "SOURCES;LIBRARIES;BITMAPS" ${ARGN})
  add_library(${name} MODULE ${P_SOURCES} ${PROJECT_SOURCE_DIR}/framework/Entry.cpp)
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  target_link_libraries(${name} PRIVATE framework ${P_LIBRARIES})
  target_link_options(${name} PRIVATE -Wl,--no-undefined -Wl,--exclude-libs,ALL)
  add_bitmap_table(${name} ${P_BITMAPS})
  if(P_TEST_ONLY)
    set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  else()
    install(TARGETS ${name} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/vst)
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
