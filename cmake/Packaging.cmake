# Debian packages, one per install component, made by CPack (scripts/package.sh):
#   Runtime     -> libquorixapi2      the shared libraries, named for the SONAME as Debian names libraries
#   Development -> libquorixapi-dev   headers, unversioned links, CMake package, pkg-config files
#   Tools       -> quorix-tools       quorix, quorix-virtual-camera, man pages, completion, documentation
#   Python      -> python3-quorix     the Python module
# A component that nothing installs into (the Python module when its build was skipped) gets no package.
# Included last, once every install rule is known.

get_cmake_property(_quorix_installed_components COMPONENTS)
set(_quorix_packaged_components "")
foreach(component IN ITEMS Runtime Development Tools Python)
  if(component IN_LIST _quorix_installed_components)
    list(APPEND _quorix_packaged_components ${component})
  endif()
endforeach()
foreach(component IN LISTS _quorix_installed_components)
  if(NOT component IN_LIST _quorix_packaged_components)
    message(WARNING "Install component ${component} is in no Debian package; use Runtime, Development, Tools "
                    "or Python")
  endif()
endforeach()

string(TOLOWER "lib${PROJECT_NAME}" _quorix_library_package)
if(_quorix_library_package MATCHES "[0-9]$")
  string(APPEND _quorix_library_package "-")  # as Debian names them: libfoo2.so.3 -> libfoo2-3
endif()
set(QUORIX_PACKAGE_Runtime ${_quorix_library_package}${PROJECT_VERSION_MAJOR})
set(QUORIX_PACKAGE_Development ${_quorix_library_package}-dev)
set(QUORIX_PACKAGE_Tools ${QUORIX_TOOLS_PACKAGE})
set(QUORIX_PACKAGE_Python python3-quorix)

set(QUORIX_PACKAGE_MAINTAINER "Quorix camera library developers <quorix-dev@quorix.example>"
  CACHE STRING "Maintainer named in the Debian packages")
set(QUORIX_PACKAGE_RELEASE 1 CACHE STRING "Debian revision of the packages (the version is the project's)")
set(_quorix_deb_version ${PROJECT_VERSION}-${QUORIX_PACKAGE_RELEASE})

# Every Debian package carries its copyright and changelog in /usr/share/doc/<package>/. They are for the
# packages only: a plain `cmake --install` skips them (EXCLUDE_FROM_ALL), CPack installs them per component.
set(_quorix_changelog_date "")
string(TIMESTAMP _quorix_year "%Y" UTC)
if(QUORIX_BUILD_STAMP MATCHES "(([0-9]+)-[0-9-]+ [0-9:]+ [+-][0-9]+)$")
  set(_quorix_year ${CMAKE_MATCH_2})
  execute_process(COMMAND date -R -d "${CMAKE_MATCH_1}" OUTPUT_VARIABLE _quorix_changelog_date
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT _quorix_changelog_date)
  string(TIMESTAMP _quorix_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
find_program(GZIP_EXECUTABLE gzip)
set(_quorix_debian_dir ${PROJECT_BINARY_DIR}/debian)
file(WRITE ${_quorix_debian_dir}/copyright
  "Quorix camera library, tools and Python module\n\n"
  "Copyright (c) ${_quorix_year} Quorix camera library developers. All rights reserved.\n")
file(WRITE ${_quorix_debian_dir}/changelog.Debian
  "quorix (${_quorix_deb_version}) unstable; urgency=medium\n\n"
  "  * Release ${PROJECT_VERSION}, built from revision ${QUORIX_BUILD_STAMP}.\n\n"
  " -- ${QUORIX_PACKAGE_MAINTAINER}  ${_quorix_changelog_date}\n")
if(GZIP_EXECUTABLE)
  execute_process(COMMAND ${GZIP_EXECUTABLE} -9nc INPUT_FILE ${_quorix_debian_dir}/changelog.Debian
    OUTPUT_FILE ${_quorix_debian_dir}/changelog.Debian.gz)
endif()
foreach(component IN LISTS _quorix_packaged_components)
  set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${QUORIX_PACKAGE_${component}})
  install(FILES ${_quorix_debian_dir}/copyright DESTINATION ${doc_dir} COMPONENT ${component} EXCLUDE_FROM_ALL)
  if(GZIP_EXECUTABLE)
    install(FILES ${_quorix_debian_dir}/changelog.Debian.gz DESTINATION ${doc_dir} COMPONENT ${component}
      EXCLUDE_FROM_ALL)
  endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorix)
set(CPACK_PACKAGE_VENDOR "Quorix")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUORIX_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${_quorix_packaged_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUORIX_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUORIX_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Dependencies on other packages come from what the binaries link (dpkg-shlibdeps); between our own packages
# from the component dependencies below, version for version.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# Our own libraries are in no installed package yet: dpkg-shlibdeps finds them in the build tree.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "")
foreach(library IN ITEMS QuorixApi QuorixExport)
  if(TARGET ${library})
    get_target_property(dir ${library} LIBRARY_OUTPUT_DIRECTORY)
    if(NOT dir)
      get_target_property(dir ${library} BINARY_DIR)
    endif()
    list(APPEND CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${dir})
  endif()
endforeach()

foreach(component IN LISTS _quorix_packaged_components)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${QUORIX_PACKAGE_${component}})
  if(NOT component STREQUAL "Runtime")
    set(CPACK_COMPONENT_${upper}_DEPENDS Runtime)
  endif()
endforeach()

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The shlibs file tells dpkg-shlibdeps of programs built against us which package to depend on; the trigger
# refreshes the loader's cache once per dpkg run.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
file(WRITE ${_quorix_debian_dir}/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${_quorix_debian_dir}/triggers)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "client library of the Quorix 3D cameras
QuorixApi finds the Quorix structured-light 3D cameras on the local networks,
connects to them, reads their identity and calibration, changes their
capture settings and user sets, and captures colour images, depth maps and
point clouds. This package holds the shared libraries.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "client library of the Quorix 3D cameras - development files
QuorixApi finds, configures and captures from the Quorix structured-light 3D
cameras. This package holds what programs need to be built against it: the
C++ headers, the CMake package (find_package(QuorixApi)) and the pkg-config
files.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION science)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "command-line tool and virtual camera for the Quorix 3D cameras
quorix lists the Quorix 3D cameras on the networks, shows their identity and
calibration, captures images, depth maps and point clouds into PNG, TIFF,
PLY and PCD files, and reads and writes their settings and user sets.
quorix-virtual-camera is a camera without hardware, for trying the library
and for tests.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Python 3 module of the Quorix 3D cameras
The quorix module finds, configures and captures from the Quorix
structured-light 3D cameras from Python, returning images, depth maps and
point clouds as numpy arrays.")
if("Python" IN_LIST _quorix_packaged_components)
  # The module is built for one interpreter: depend on that Python version and on numpy.
  set(_quorix_python ${Python3_EXECUTABLE})
  if(NOT _quorix_python)
    set(_quorix_python /usr/bin/python3)
  endif()
  execute_process(COMMAND ${_quorix_python} -c "import sys; print('%d.%d' % sys.version_info[:2])"
    OUTPUT_VARIABLE _quorix_python_version OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(_quorix_python_version MATCHES "^([0-9]+)\\.([0-9]+)$")
    math(EXPR _quorix_python_next "${CMAKE_MATCH_2} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3 (>= ${_quorix_python_version}~), ")
    string(APPEND CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "python3 (<< ${CMAKE_MATCH_1}.${_quorix_python_next}), python3-numpy")
  else()
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3, python3-numpy")
  endif()
endif()

# Each description's first line is its package's summary: CPack must not put the project's in front of it.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackProjectConfig.cmake)
include(CPack)
