# Script mode: the man page of PROGRAM, made by help2man from its --help and --version, written gzipped to
# OUTPUT. A program with subcommands gets a SUBCOMMANDS section made of each subcommand's own --help, so the
# page says everything the program says and nothing written by hand that could go stale.
#   -DHELP2MAN= -DGZIP= -DPROGRAM= -DVERSION= -DNAME=<what it is> -DSEE_ALSO=<programs> -DOUTPUT=<page>.gz
# The page names the version alone: the build stamp and library banner of --version do not belong in it.

function(run_program out)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE result ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${result}): ${err}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# roff takes a line starting with a dot or a quote as a request, and a backslash as an escape.
function(roff_text out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

get_filename_component(program_name ${PROGRAM} NAME)
get_filename_component(page_dir ${OUTPUT} DIRECTORY)
string(REGEX REPLACE "\\.gz$" "" page ${OUTPUT})
set(include_file ${page}.h2m)

run_program(help ${PROGRAM} --help)
set(include_text "")

# CLI11 lists subcommands under "Subcommands:", one per line indented by two spaces.
if(help MATCHES "\nSubcommands:\n(.*)$")
  string(REPLACE "\n" ";" lines "${CMAKE_MATCH_1}")
  set(subcommands_text "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^  ([a-z][a-z0-9-]*)( |$)")
      set(sub ${CMAKE_MATCH_1})
      run_program(sub_help ${PROGRAM} ${sub} --help)
      string(REPLACE "${PROGRAM}" "${program_name}" sub_help "${sub_help}")  # usage lines name argv[0]
      roff_text(sub_help "${sub_help}")
      string(APPEND subcommands_text ".SS ${sub}\n.nf\n${sub_help}.fi\n")
    elseif(NOT line MATCHES "^ ")
      break()
    endif()
  endforeach()
  if(subcommands_text)
    string(APPEND include_text "[SUBCOMMANDS]\n${subcommands_text}")
  endif()
endif()

set(see_also "")
foreach(other IN LISTS SEE_ALSO)
  if(NOT other STREQUAL program_name)
    list(APPEND see_also "\\fB${other}\\fR(1)")
  endif()
endforeach()
if(see_also)
  list(JOIN see_also ",\n" see_also)
  string(APPEND include_text "[SEE ALSO]\n${see_also}\n")
endif()

file(MAKE_DIRECTORY ${page_dir})
file(WRITE ${include_file} "${include_text}")
run_program(ignored ${HELP2MAN} --no-info --section=1 --manual=Quorix --source=Quorix "--name=${NAME}"
  --version-string=${VERSION} --include=${include_file} --output=${page} ${PROGRAM})
# -n: no name or time stamp in the header, so the same page compresses to the same bytes.
file(REMOVE ${OUTPUT})
run_program(ignored ${GZIP} -9nf ${page})
