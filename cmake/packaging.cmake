# Packages: `cpack -G DEB` in the native build, `cpack -G ZIP` in the
# Windows build (scripts/package.sh runs both), whose build also makes the
# installer (installer.cmake).

set(CPACK_PACKAGE_NAME vorlan-screen-saver-2)
set(CPACK_PACKAGE_VENDOR Vorlan)
# The version block says "2.00"; CMake's project version has no place for
# the leading zero.
set(CPACK_PACKAGE_VERSION 2.00)
set(CPACK_PACKAGE_CONTACT "Vorlan <packages@vorlan.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "waving robot screen saver with a chime")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
# Directories CPack makes itself would otherwise follow the umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(vss_packaging ${CMAKE_CURRENT_LIST_DIR}/../packaging)
set(vss_staging ${CMAKE_BINARY_DIR}/packaging)

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  install(TARGETS vorlan_scr RUNTIME DESTINATION .)
  # Notepad before Windows 10 shows a file with bare line feeds as one line.
  configure_file(${vss_packaging}/INSTALL.txt ${vss_staging}/INSTALL.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${vss_staging}/INSTALL.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-windows-x64")
  # The two files at the top, where "Install" on the .scr finds nothing else.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  include(${CMAKE_CURRENT_LIST_DIR}/installer.cmake)
  include(CPack)
  return()
endif()

set(vss_program vorlan-screen-saver-2)
# Other Unix hosts build the core and its tests, but no program to package.
if(NOT TARGET ${vss_program})
  message(STATUS "No ${vss_program} on ${CMAKE_SYSTEM_NAME}: no Debian package")
  return()
endif()
set(vss_doc share/doc/${vss_program})

# XScreenSaver's folder of hacks on Debian (see `dpkg -L xscreensaver-data`),
# so that its settings find the program by the name in the XML; the window
# systems' modules where the program looks for them (CMakeLists.txt).
install(TARGETS ${vss_program} RUNTIME DESTINATION libexec/xscreensaver)
install(TARGETS vss_x11_module vss_wayland_module LIBRARY DESTINATION ${vss_module_folder})
# A plain strip keeps the compiler's notes; dh_strip drops them too.
foreach(file libexec/xscreensaver/${vss_program} ${vss_module_folder}/x11.so
             ${vss_module_folder}/wayland.so)
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${file}\"
        COMMAND_ERROR_IS_FATAL ANY)
    endif()")
endforeach()
# Idle managers and users run it by name; Debian wants links inside /usr
# relative.
file(MAKE_DIRECTORY ${vss_staging})
file(CREATE_LINK ../libexec/xscreensaver/${vss_program} ${vss_staging}/${vss_program} SYMBOLIC)
install(FILES ${vss_staging}/${vss_program} DESTINATION bin)

install(FILES ${vss_packaging}/${vss_program}.xml DESTINATION share/xscreensaver/config)
install(FILES ${vss_packaging}/${vss_program}.desktop DESTINATION share/applications)
install(FILES ${vss_packaging}/copyright DESTINATION ${vss_doc})
install(FILES ${vss_packaging}/lintian-overrides DESTINATION share/lintian/overrides
  RENAME ${vss_program})

# gzip -n leaves out the name and the time, so a rebuild gives the same bytes.
set(vss_compressed "")
foreach(source ${vss_program}.6 changelog.Debian changelog)
  set(output ${vss_staging}/${source}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${vss_packaging}/${source} ${vss_staging}/${source}
    COMMAND gzip -9nf ${vss_staging}/${source}
    DEPENDS ${vss_packaging}/${source}
    VERBATIM)
  list(APPEND vss_compressed ${output})
endforeach()
install(FILES ${vss_staging}/${vss_program}.6.gz DESTINATION share/man/man6)
install(FILES ${vss_staging}/changelog.Debian.gz ${vss_staging}/changelog.gz DESTINATION ${vss_doc})

# The icons are the Windows icon's own images, decoded from the program's
# resources by its own decoder at build time, so the two builds cannot
# drift apart and no picture is committed twice.
add_executable(vss_dib2png ${vss_packaging}/dib2png.cpp)
target_link_libraries(vss_dib2png PRIVATE vss_embedded)
set(vss_icons "")
foreach(size 16 32 48)
  set(output ${vss_staging}/icons/${size}x${size}/${vss_program}.png)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${vss_staging}/icons/${size}x${size}
    COMMAND vss_dib2png ${size} ${output}
    DEPENDS vss_dib2png
    VERBATIM)
  list(APPEND vss_icons ${output})
  install(FILES ${output} DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(vss_package_files ALL DEPENDS ${vss_compressed} ${vss_icons})

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION
  "Covers the screen in black and alternates two frames of a waving robot
every half second, with a short chime: played once after random
intervals, or looped for a set interval. A GTK options dialog chooses
between the two and stores the choice per user.

The program runs under XScreenSaver (with an options panel for
xscreensaver-settings) and xsecurelock, or on its own from an idle
manager such as xss-lock, xautolock or swayidle. On Wayland it covers
every output of a compositor that offers layer shell (sway, Hyprland,
KDE Plasma, ...). It is the Linux build of the Windows screen saver of
the same name.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The options dialog loads GTK 3 with dlopen, so dpkg-shlibdeps cannot see
# it; the saver itself runs without it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libgtk-3-0)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver | xsecurelock | xss-lock | xautolock | swayidle")
include(CPack)
