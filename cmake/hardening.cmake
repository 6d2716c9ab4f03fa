# The hardening Debian builds its own packages with (dpkg-buildflags), for
# the native build that the Debian package ships; lintian looks for it in
# the program. The sanitizer build has its own instrumentation, and the
# Windows build is linked statically against a C library that has no
# fortified functions.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows" AND NOT VSS_SANITIZE
   AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  # Fortification needs the optimiser; without it the C library only warns.
  add_compile_options(
    "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>"
    -fstack-protector-strong)
  add_link_options(-Wl,-z,relro,-z,now)
endif()
