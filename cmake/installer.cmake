# The Windows installer beside the ZIP, built with the .scr: wixl (msitools)
# compiles packaging/vorlan-screen-saver-2.wxs with the same stripped .scr as
# the ZIP's, the icon as an .ico for the entry in Apps, and the version of
# the version block that the .scr carries. The end-to-end tests find what
# they need to build another version in the properties of vss_msi.

find_program(VSS_WIXL wixl REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The little-endian 16-bit word at hex digit `at` of `hex`.
function(vss_word hex at out)
  string(SUBSTRING "${hex}" ${at} 4 word)
  string(SUBSTRING "${word}" 0 2 low)
  string(SUBSTRING "${word}" 2 2 high)
  math(EXPR value "0x${high}${low}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# The file version of VS_FIXEDFILEINFO, after its signature 0xFEEF04BD and
# its structure version: major.minor.build (Windows Installer reads no more).
file(READ ${VSS_MEDIA_DIR}/version1.bin vss_block HEX)
string(FIND "${vss_block}" "bd04effe" vss_at)
if(vss_at LESS 0)
  message(FATAL_ERROR "version1.bin holds no VS_FIXEDFILEINFO")
endif()
math(EXPR vss_at "${vss_at} + 16")
vss_word("${vss_block}" ${vss_at} vss_minor)
math(EXPR vss_at "${vss_at} + 4")
vss_word("${vss_block}" ${vss_at} vss_major)
math(EXPR vss_at "${vss_at} + 8")
vss_word("${vss_block}" ${vss_at} vss_build)
set(vss_msi_version ${vss_major}.${vss_minor}.${vss_build})

# wixl finds its sources relative to the folder it runs in.
set(vss_msi_inputs ${CMAKE_BINARY_DIR}/packaging/msi)
file(MAKE_DIRECTORY ${vss_msi_inputs} ${CPACK_PACKAGE_DIRECTORY})
set(vss_msi ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi)
set(vss_wxs ${CMAKE_CURRENT_LIST_DIR}/../packaging/vorlan-screen-saver-2.wxs)
add_custom_command(OUTPUT ${vss_msi}
  COMMAND ${CMAKE_STRIP} -o $<TARGET_FILE_NAME:vorlan_scr> $<TARGET_FILE:vorlan_scr>
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/../packaging/make_ico.py
          ${VSS_MEDIA_DIR} vorlan.ico
  COMMAND ${VSS_WIXL} -a x64 -D Version=${vss_msi_version} -D Scr=$<TARGET_FILE_NAME:vorlan_scr>
          -D Icon=vorlan.ico -o ${vss_msi} ${vss_wxs}
  WORKING_DIRECTORY ${vss_msi_inputs}
  DEPENDS vorlan_scr ${vss_wxs} ${CMAKE_CURRENT_LIST_DIR}/../packaging/make_ico.py
          ${VSS_MEDIA_FILES}
  COMMENT "Building the Windows installer"
  VERBATIM)
add_custom_target(vss_msi ALL DEPENDS ${vss_msi})
set_target_properties(vss_msi PROPERTIES
  VSS_MSI ${vss_msi} VSS_WXS ${vss_wxs} VSS_INPUTS ${vss_msi_inputs})
