# The build stamp names the source revision: short id, date, time and UTC offset of its commit.
find_package(Git QUIET)
set(QUORIX_BUILD_STAMP "")
if(GIT_FOUND)
  execute_process(
    COMMAND ${GIT_EXECUTABLE} log -1 --format=%h\ %cd --date=format:%Y-%m-%d\ %H:%M:%S\ %z
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    OUTPUT_VARIABLE QUORIX_BUILD_STAMP
    OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET
    RESULT_VARIABLE _quorix_git_result)
  if(NOT _quorix_git_result EQUAL 0)
    set(QUORIX_BUILD_STAMP "")
  endif()
endif()
if(QUORIX_BUILD_STAMP STREQUAL "")
  # Not a git checkout (a source archive, say): say so, and stamp the configure time instead.
  string(TIMESTAMP _quorix_now "%Y-%m-%d %H:%M:%S +0000" UTC)
  set(QUORIX_BUILD_STAMP "unversioned ${_quorix_now}")
endif()
message(STATUS "Quorix build stamp: ${QUORIX_BUILD_STAMP}")
