# quorix_warnings(target): the project's warning set on one of its own targets.
function(quorix_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(QUORIX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
