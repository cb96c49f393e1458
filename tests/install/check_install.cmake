# Script mode: install, then consume the installed package twice.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

include(${CMAKE_CURRENT_LIST_DIR}/run_command.cmake)

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(path include/quorix/QuorixDevice.h lib/libQuorixApi.so lib/cmake/QuorixApi/QuorixApiConfig.cmake
             lib/cmake/QuorixApi/QuorixApiConfigVersion.cmake lib/pkgconfig/quorix-api.pc)
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
run(${WORK_DIR}/cmake-build/consumer)
if(NOT last_output MATCHES "^Quorix API V2\\.0\\.2 ")
  message(FATAL_ERROR "Unexpected banner from the CMake consumer: ${last_output}")
endif()

# Through pkg-config.
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
execute_process(COMMAND pkg-config --cflags --libs quorix-api OUTPUT_VARIABLE flags RESULT_VARIABLE result
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know quorix-api")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run(c++ -std=c++17 ${SOURCE_DIR}/main.cpp ${flags} -Wl,-rpath,${prefix}/lib -o ${WORK_DIR}/pkg-consumer)
run(${WORK_DIR}/pkg-consumer)
if(NOT last_output MATCHES "^Quorix API V2\\.0\\.2 ")
  message(FATAL_ERROR "Unexpected banner from the pkg-config consumer: ${last_output}")
endif()
# The samples, on their own against the installed package, as a user builds them.
if(EXAMPLES_DIR)
  run(${CMAKE_COMMAND} -S ${EXAMPLES_DIR} -B ${WORK_DIR}/examples-build -G Ninja -DCMAKE_PREFIX_PATH=${prefix})
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/examples-build)
  run(${WORK_DIR}/examples-build/quorix_banner)
endif()
message(STATUS "Installed package works through CMake and pkg-config; the samples build against it")
