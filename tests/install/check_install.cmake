# Script mode: install, then consume the installed package twice.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

include(${CMAKE_CURRENT_LIST_DIR}/run_command.cmake)

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(path include/quorix/QuorixDevice.h lib/libQuorixApi.so lib/cmake/QuorixApi/QuorixApiConfig.cmake
             lib/cmake/QuorixApi/QuorixApiConfigVersion.cmake lib/pkgconfig/quorix-api.pc
             include/quorix/QuorixExport.h lib/libQuorixExport.so lib/libQuorixExport.so.2
             lib/cmake/QuorixApi/QuorixApiExportTargets.cmake lib/pkgconfig/quorix-export.pc)
  if(NOT EXISTS ${prefix}/${path})
    message(FATAL_ERROR "The installed package lacks ${path}")
  endif()
endforeach()

# The programs with their man pages and documentation; they find the library relative to themselves. The
# Debian packaging notes (copyright, changelog) stay out of a plain install.
if(TOOLS)
  foreach(path bin/quorix bin/quorix-virtual-camera share/man/man1/quorix.1.gz
               share/man/man1/quorix-virtual-camera.1.gz share/doc/quorix-tools/README.md
               share/bash-completion/completions/quorix)
    if(NOT EXISTS ${prefix}/${path})
      message(FATAL_ERROR "The installed package lacks ${path}")
    endif()
  endforeach()
  file(GLOB_RECURSE packaging_notes ${prefix}/share/doc/*/changelog.Debian.gz ${prefix}/share/doc/*/copyright)
  if(packaging_notes)
    message(FATAL_ERROR "A plain install holds Debian packaging notes: ${packaging_notes}")
  endif()
  run(${prefix}/bin/quorix --version)
  if(NOT last_output MATCHES "^quorix 2\\.0\\.2 \\(build [^)]+\\)\nQuorix API V2\\.0\\.2 ")
    message(FATAL_ERROR "Unexpected quorix --version: ${last_output}")
  endif()
  run(${prefix}/bin/quorix-virtual-camera --version)
endif()

# Through find_package(QuorixApi CONFIG).
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/cmake-build -G Ninja -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run(${WORK_DIR}/cmake-build/consumer ${WORK_DIR}/cmake-consumer.ply)
if(NOT EXISTS ${WORK_DIR}/cmake-consumer.ply)
  message(FATAL_ERROR "The CMake consumer did not write its cloud through the export library")
endif()
if(NOT last_output MATCHES "^Quorix API V2\\.0\\.2 ")
  message(FATAL_ERROR "Unexpected banner from the CMake consumer: ${last_output}")
endif()

# Through pkg-config.
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
execute_process(COMMAND pkg-config --cflags --libs quorix-export OUTPUT_VARIABLE flags RESULT_VARIABLE result
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know quorix-export (and quorix-api, which it requires)")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run(c++ -std=c++17 ${SOURCE_DIR}/main.cpp ${flags} -Wl,-rpath,${prefix}/lib -o ${WORK_DIR}/pkg-consumer)
run(${WORK_DIR}/pkg-consumer ${WORK_DIR}/pkg-consumer.pcd)
if(NOT EXISTS ${WORK_DIR}/pkg-consumer.pcd)
  message(FATAL_ERROR "The pkg-config consumer did not write its cloud through the export library")
endif()
if(NOT last_output MATCHES "^Quorix API V2\\.0\\.2 ")
  message(FATAL_ERROR "Unexpected banner from the pkg-config consumer: ${last_output}")
endif()
# The export library shows its interface only.
execute_process(COMMAND nm -DC --defined-only ${prefix}/lib/libQuorixExport.so OUTPUT_VARIABLE symbols)
string(REGEX MATCHALL "[^\n]* [TtWw] [^\n]*" functions "${symbols}")
foreach(line IN LISTS functions)
  if(NOT line MATCHES " norvik::files::[a-zA-Z0-9]+\\(" AND NOT line MATCHES " (_init|_fini)$")
    message(FATAL_ERROR "libQuorixExport.so exports more than its interface: ${line}")
  endif()
endforeach()

# The Runtime component alone is the shared libraries, without headers.
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/runtime --component Runtime)
if(NOT EXISTS ${WORK_DIR}/runtime/lib/libQuorixExport.so.2 OR EXISTS ${WORK_DIR}/runtime/include/quorix/QuorixExport.h)
  message(FATAL_ERROR "The Runtime component should hold libQuorixExport.so.2 and no header")
endif()

# The samples, on their own against the installed package, as a user builds them.
if(EXAMPLES_DIR)
  run(${CMAKE_COMMAND} -S ${EXAMPLES_DIR} -B ${WORK_DIR}/examples-build -G Ninja -DCMAKE_PREFIX_PATH=${prefix})
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/examples-build)
  run(${WORK_DIR}/examples-build/quorix_banner)
endif()
message(STATUS "Installed package works through CMake and pkg-config; the samples build against it")
