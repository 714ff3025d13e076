cmake_minimum_required(VERSION 3.25)
# Fails when a source file includes a header of a layer above its own. The layers, lowest
# first: platform < model < geometry < view < app and tools, which may not include each other;
# none of them includes what the tests, benchmarks or fuzzers keep for themselves.
# Run as: cmake -DSOURCE_DIR=<top of the tree> -P LayerIncludes.cmake
set(allowed_platform platform)
set(allowed_model platform model)
set(allowed_geometry platform model geometry)
set(allowed_view platform model geometry view)
set(allowed_app platform model geometry view app)
set(allowed_tools platform model geometry view tools)
set(layers platform model geometry view app tools)
set(outside tests support bench fuzz)

set(faults "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" header "${line}")
      # A header named by its folder belongs to that folder; a bare name is the file's own.
      if(header MATCHES "^([A-Za-z_]+)/")
        set(target ${CMAKE_MATCH_1})
        if((target IN_LIST layers AND NOT target IN_LIST allowed_${layer}) OR target IN_LIST outside)
          file(RELATIVE_PATH where ${SOURCE_DIR} ${source})
          string(APPEND faults "  ${where} includes ${header}\n")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Includes that point up the layers:\n${faults}")
endif()
