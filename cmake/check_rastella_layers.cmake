# Checks that every include of rastella's layered folders runs downward:
#
#   shell                    the image state, the main form, files, windows
#   display                  drawing planes into a picture
#   tga   ztf                the codecs: bytes and header fields <-> planes
#   image                    planes, colour values, padded bytes, kernel choice
#
# A file may include its own layer and the layers below it; the two codecs
# do not include each other.  Run as
#   cmake -DRASTELLA_SOURCE_DIR=<rastella folder> [-DSTAMP=<file>] -P check_rastella_layers.cmake
# It fails with one line per upward include, and touches STAMP on success.

cmake_minimum_required(VERSION 3.25)

if(NOT RASTELLA_SOURCE_DIR)
  message(FATAL_ERROR "check_rastella_layers: RASTELLA_SOURCE_DIR is not set")
endif()

set(layers image tga ztf display shell)
set(allowed_image image)
set(allowed_tga image tga)
set(allowed_ztf image ztf)
set(allowed_display image display)
set(allowed_shell image tga ztf display shell)

set(violations "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files "${RASTELLA_SOURCE_DIR}/${layer}/*.h" "${RASTELLA_SOURCE_DIR}/${layer}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"/]+)/.*$" "\\1" folder "${line}")
      if(folder IN_LIST layers AND NOT folder IN_LIST allowed_${layer})
        file(RELATIVE_PATH shown "${RASTELLA_SOURCE_DIR}" "${file}")
        string(STRIP "${line}" line)
        string(REPLACE ";" ", " allowed "${allowed_${layer}}")
        list(APPEND violations "rastella/${shown}: ${line} (${layer} may include only ${allowed})")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n" report)
  list(LENGTH violations count)
  message(NOTICE "${report}")
  message(FATAL_ERROR "${count} include(s) run up the layers")
endif()
if(STAMP)
  file(TOUCH "${STAMP}")
endif()
