# Writes a C++ source holding the media as the program's resources, for the
# native builds that have no resource compiler: the same ids and types as
# vorlan.rc, bitmaps without their file header as a resource holds them.
#   cmake -DMEDIA_DIR=... -DOUTPUT=... -P embed.cmake
cmake_minimum_required(VERSION 3.25)

# type number | type name | id | file | bytes to skip
set(entries
  "2||101|frame101.bmp|14"
  "2||102|frame102.bmp|14"
  "0|WAVE|101|clip101.wav|0"
  "3||30001|icon30001.bin|0"
  "3||30002|icon30002.bin|0"
  "3||30003|icon30003.bin|0"
  "14||1|icongroup1.bin|0"
  "16||1|version1.bin|0")

set(arrays "")
set(table "")
set(n 0)
foreach(row IN LISTS entries)
  string(REPLACE "|" ";" entry "${row}")
  list(GET entry 0 type_number)
  list(GET entry 1 type_name)
  list(GET entry 2 id)
  list(GET entry 3 file)
  list(GET entry 4 skip)
  file(READ "${MEDIA_DIR}/${file}" hex OFFSET ${skip} HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const std::uint8_t media${n}[${size}] = {\n${bytes}};\n")
  if(type_name STREQUAL "")
    set(name_literal "nullptr")
  else()
    set(name_literal "\"${type_name}\"")
  endif()
  string(APPEND table "    {${type_number}, ${name_literal}, ${id}, media${n}, ${size}},\n")
  math(EXPR n "${n} + 1")
endforeach()

file(WRITE "${OUTPUT}.tmp" "// Generated from resources/media by resources/embed.cmake.
#include \"runtime/resources.h\"

namespace vss::runtime {
namespace {
${arrays}}  // namespace

const EmbeddedResource EmbeddedResources[] = {
${table}};
const std::size_t EmbeddedResourceCount = ${n};

}  // namespace vss::runtime
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
