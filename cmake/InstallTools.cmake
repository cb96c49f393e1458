# Installs the programs with what users expect around them: man pages made from their own --help, shell
# completion made from the tool's own command description, and the documentation. Component Tools.

option(QUORIX_INSTALL_RPATH
  "Installed programs find the library relative to themselves (for prefixes outside the system's own)" ON)
set(QUORIX_TOOLS_PACKAGE quorix-tools CACHE STRING "Name of the tools' package: their documentation folder")
set(QUORIX_TOOLS_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${QUORIX_TOOLS_PACKAGE})

set(quorix_programs quorix quorix-virtual-camera)

# Version and build stamp for the programs' --version, rewritten only when they change.
configure_file(${PROJECT_SOURCE_DIR}/cmake/BuildInfo.h.in ${PROJECT_BINARY_DIR}/generated/quorix_build_info.h
  @ONLY)
target_include_directories(quorix_tool PRIVATE ${PROJECT_BINARY_DIR}/generated)
target_include_directories(quorix-virtual-camera PRIVATE ${PROJECT_BINARY_DIR}/generated)

install(TARGETS ${quorix_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Tools)
if(QUORIX_INSTALL_RPATH AND NOT CMAKE_INSTALL_PREFIX MATCHES "^/usr/?$")
  # /opt/quorix/bin/quorix finds /opt/quorix/lib/libQuorixApi.so.2 wherever the tree was installed.
  file(RELATIVE_PATH _quorix_bin_to_lib /${CMAKE_INSTALL_BINDIR} /${CMAKE_INSTALL_LIBDIR})
  set_target_properties(${quorix_programs} PROPERTIES INSTALL_RPATH "$ORIGIN/${_quorix_bin_to_lib}")
endif()

# Man pages, made at build time from each program's --help and --version and installed compressed.
find_program(HELP2MAN_EXECUTABLE help2man)
find_program(GZIP_EXECUTABLE gzip)
if(HELP2MAN_EXECUTABLE AND GZIP_EXECUTABLE AND NOT CMAKE_CROSSCOMPILING AND NOT QUORIX_SANITIZE)
  set(quorix_man_name_quorix "find, configure and capture from Quorix 3D cameras")
  set(quorix_man_name_quorix-virtual-camera "a Quorix 3D camera without hardware, for tests and demos")
  set(quorix_man_pages "")
  foreach(program IN LISTS quorix_programs)
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${HELP2MAN_EXECUTABLE} -DGZIP=${GZIP_EXECUTABLE}
        -DPROGRAM=$<TARGET_FILE:${program}> -DVERSION=${PROJECT_VERSION} "-DNAME=${quorix_man_name_${program}}"
        -DSEE_ALSO=${quorix_programs} -DOUTPUT=${page} -P ${PROJECT_SOURCE_DIR}/cmake/GenerateManPage.cmake
      DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/GenerateManPage.cmake
      COMMENT "Writing the man page of ${program}"
      VERBATIM)
    list(APPEND quorix_man_pages ${page})
  endforeach()
  add_custom_target(quorix_man_pages ALL DEPENDS ${quorix_man_pages})
  install(FILES ${quorix_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Tools)
else()
  message(STATUS "Man pages: not made (needs help2man and gzip, and a build without sanitizers)")
endif()

# Bash completion of quorix, printed by the tool itself from its command description.
if(NOT CMAKE_CROSSCOMPILING AND NOT QUORIX_SANITIZE)
  set(quorix_completion ${PROJECT_BINARY_DIR}/completion/quorix)
  add_custom_command(OUTPUT ${quorix_completion}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/completion
    COMMAND quorix --bash-completion > ${quorix_completion}
    DEPENDS quorix
    COMMENT "Writing the bash completion of quorix")
  add_custom_target(quorix_completion ALL DEPENDS ${quorix_completion})
  install(FILES ${quorix_completion} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
    COMPONENT Tools)
endif()

# The README and the format documents.
file(GLOB _quorix_format_documents CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${_quorix_format_documents}
  DESTINATION ${QUORIX_TOOLS_DOCDIR} COMPONENT Tools)
install(FILES ${PROJECT_SOURCE_DIR}/tools/virtual-camera/README.md
  DESTINATION ${QUORIX_TOOLS_DOCDIR} RENAME virtual-camera.md COMPONENT Tools)
