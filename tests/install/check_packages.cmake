# Script mode: makes the Debian packages of this build with CPack, unpacks them (dpkg-deb -x) into a scratch
# root, never the machine's own, and uses them from there as a cell PC would: builds a program against the
# library through CMake and pkg-config, runs the tools, imports the Python module.
#   -DCPACK= -DBUILD_DIR= -DSOURCE_DIR=<consumer> -DWORK_DIR= -DPROJECT_VERSION= [-DPYTHON=]
file(REMOVE_RECURSE ${WORK_DIR})
set(root ${WORK_DIR}/root)
file(MAKE_DIRECTORY ${root})

include(${CMAKE_CURRENT_LIST_DIR}/run_command.cmake)

function(expect text pattern what)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: expected to match '${pattern}', got:\n${text}")
  endif()
endfunction()

# Which packages this build makes, as CPack sees them.
include(${BUILD_DIR}/CPackConfig.cmake)
run(${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/packages)
set(packages "")
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(name ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  file(GLOB deb ${WORK_DIR}/packages/${name}_${PROJECT_VERSION}-*.deb)
  list(LENGTH deb count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "Expected one package ${name} for component ${component}, found: ${deb}")
  endif()
  set(deb_${component} ${deb})
  list(APPEND packages ${name})
  run(dpkg-deb --field ${deb} Version Depends)
  expect("${last_output}" "Version: ${PROJECT_VERSION}-" "${name}'s version")
  if(NOT component STREQUAL "Runtime")
    expect("${last_output}" "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} \\(= ${PROJECT_VERSION}-"
           "${name} depends on the library package")
  endif()
  run(dpkg-deb -x ${deb} ${root})
endforeach()
foreach(component IN ITEMS Runtime Development Tools)
  if(NOT deb_${component})
    message(FATAL_ERROR "No package for component ${component}")
  endif()
endforeach()
run(dpkg-deb --field ${deb_Runtime} Depends)
expect("${last_output}" "libzmq5" "the library package's dependencies, computed by dpkg-shlibdeps")
message(STATUS "Packages: ${packages}")

# The library as the runtime package put it: the versioned file and the SONAME link.
file(GLOB_RECURSE library ${root}/usr/lib/libQuorixApi.so.*.*.*)
list(LENGTH library count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "Expected one libQuorixApi.so.X.Y.Z in the packages, found: ${library}")
endif()
get_filename_component(libdir ${library} DIRECTORY)
set(ENV{LD_LIBRARY_PATH} ${libdir})
foreach(path ${libdir}/libQuorixApi.so.2 ${libdir}/libQuorixApi.so ${libdir}/pkgconfig/quorix-api.pc
             ${root}/usr/include/quorix/QuorixDevice.h
             ${root}/usr/bin/quorix ${root}/usr/bin/quorix-virtual-camera
             ${root}/usr/share/man/man1/quorix.1.gz ${root}/usr/share/man/man1/quorix-virtual-camera.1.gz
             ${root}/usr/share/bash-completion/completions/quorix)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "The packages lack ${path}")
  endif()
endforeach()

# A program built against the unpacked tree through find_package(QuorixApi).
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/cmake-build -G Ninja -DCMAKE_PREFIX_PATH=${root}/usr
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run(${WORK_DIR}/cmake-build/consumer)
expect("${last_output}" "^Quorix API V${PROJECT_VERSION} " "the CMake consumer's banner")

# Through pkg-config: every .pc file the packages hold resolves, and a program builds with quorix-api's flags.
set(ENV{PKG_CONFIG_PATH} ${libdir}/pkgconfig)
set(ENV{PKG_CONFIG_LIBDIR} ${libdir}/pkgconfig)
file(GLOB pc_files ${libdir}/pkgconfig/*.pc)
foreach(pc IN LISTS pc_files)
  get_filename_component(module ${pc} NAME_WE)
  run(pkg-config --cflags-only-I ${module})
  string(STRIP "${last_output}" include_flag)
  string(REGEX REPLACE "^-I" "" include_dir "${include_flag}")
  file(REAL_PATH "${include_dir}" include_dir)
  if(NOT include_dir STREQUAL "${root}/usr/include")
    message(FATAL_ERROR "pkg-config ${module} points at ${include_flag}, not into the unpacked tree")
  endif()
endforeach()
run(pkg-config --cflags --libs quorix-api quorix-export)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(c++ -std=c++17 ${SOURCE_DIR}/main.cpp ${flags} -o ${WORK_DIR}/pkg-consumer)
run(${WORK_DIR}/pkg-consumer)
expect("${last_output}" "^Quorix API V${PROJECT_VERSION} " "the pkg-config consumer's banner")

# The tools, run from the unpacked tree against the unpacked library.
run(${root}/usr/bin/quorix --version)
expect("${last_output}" "^quorix ${PROJECT_VERSION} \\(build [^)]+\\)\nQuorix API V${PROJECT_VERSION} "
       "quorix --version")
run(${root}/usr/bin/quorix-virtual-camera --help)
expect("${last_output}" "--port" "quorix-virtual-camera --help")

# The Python module, where this build made its package.
if(deb_Python)
  run(dpkg-deb --contents ${deb_Python})
  if(NOT last_output MATCHES "\\./(usr/[^ \n]*)/quorix(/__init__\\.py|[^/\n]*\\.so)\n")
    message(FATAL_ERROR "No quorix module in the Python package:\n${last_output}")
  endif()
  set(ENV{PYTHONPATH} ${root}/${CMAKE_MATCH_1})
  # Lines, not semicolons: a semicolon would split the argument into a CMake list.
  run(${PYTHON} -c "import quorix\nprint(quorix.__file__)\nprint(quorix.__version__)")
  expect("${last_output}" "^${root}/[^\n]*\n${PROJECT_VERSION}" "the module imported from the unpacked tree")
  message(STATUS "Python module from the packages: ${last_output}")
endif()
message(STATUS "The packages work from a scratch root: ${packages}")
