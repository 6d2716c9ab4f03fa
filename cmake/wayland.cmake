# Client glue for Wayland protocol descriptions, made by wayland-scanner at
# build time: vss_wayland_protocols(NAME XML...) gives a static library NAME
# with the code, and <name>-client-protocol.h of each description in its
# include path.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VSS_WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
pkg_get_variable(VSS_WAYLAND_SCANNER wayland-scanner wayland_scanner)
pkg_get_variable(VSS_WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
if(NOT VSS_WAYLAND_SCANNER OR NOT VSS_WAYLAND_PROTOCOLS_DIR)
  message(FATAL_ERROR "wayland-scanner and wayland-protocols are needed (scripts/setup.sh)")
endif()

function(vss_wayland_protocols name)
  set(sources "")
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/${name})
  foreach(xml ${ARGN})
    get_filename_component(base ${xml} NAME_WE)
    set(header ${folder}/${base}-client-protocol.h)
    set(code ${folder}/${base}-protocol.c)
    add_custom_command(OUTPUT ${header} ${code}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND ${VSS_WAYLAND_SCANNER} client-header ${xml} ${header}
      COMMAND ${VSS_WAYLAND_SCANNER} private-code ${xml} ${code}
      DEPENDS ${xml}
      COMMENT "Generating the client glue of ${base}"
      VERBATIM)
    list(APPEND sources ${header} ${code})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} SYSTEM PUBLIC ${folder})
  target_link_libraries(${name} PUBLIC PkgConfig::VSS_WAYLAND_CLIENT)
endfunction()
