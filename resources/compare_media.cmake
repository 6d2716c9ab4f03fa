# Runs the media generator into a fresh OUTPUT_DIR and requires it to reproduce every
# file of REFERENCE_DIR byte for byte, and no other file.
#   cmake -DGENERATOR=... -DOUTPUT_DIR=... -DREFERENCE_DIR=... -P compare_media.cmake
foreach(var GENERATOR OUTPUT_DIR REFERENCE_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "compare_media: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${OUTPUT_DIR}")
file(MAKE_DIRECTORY "${OUTPUT_DIR}")
execute_process(COMMAND "${GENERATOR}" "${OUTPUT_DIR}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "generator failed: ${rc}")
endif()

file(GLOB reference RELATIVE "${REFERENCE_DIR}" "${REFERENCE_DIR}/*")
file(GLOB generated RELATIVE "${OUTPUT_DIR}" "${OUTPUT_DIR}/*")
list(SORT reference)
list(SORT generated)
if(NOT reference STREQUAL generated)
  message(FATAL_ERROR "file sets differ\n  committed: ${reference}\n  generated: ${generated}")
endif()
if(NOT reference)
  message(FATAL_ERROR "no media in ${REFERENCE_DIR}")
endif()

set(failed "")
foreach(name IN LISTS reference)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
                          "${REFERENCE_DIR}/${name}" "${OUTPUT_DIR}/${name}"
                  RESULT_VARIABLE same)
  if(same EQUAL 0)
    message(STATUS "identical: ${name}")
  else()
    list(APPEND failed "${name}")
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "the generator no longer reproduces: ${failed}")
endif()
