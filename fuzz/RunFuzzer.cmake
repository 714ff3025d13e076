# A smoke run of a fuzzer that repeats the last one exactly: a fresh working folder holding
# copies of the given inputs and nothing else, so no input found by an earlier run (or by a
# campaign) changes where this one goes. With a fixed -seed= and -runs= in OPTIONS, and no
# time limit, every run executes the same inputs in the same order. What it finds goes to
# the build tree and never into the sources.
#   cmake -DFUZZER=path -DWORK_DIR=dir -DOPTIONS="-opt|-opt|..." -DINPUTS="dir-or-file|..." -P RunFuzzer.cmake
foreach(var FUZZER WORK_DIR OPTIONS INPUTS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunFuzzer.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
string(REPLACE "|" ";" options "${OPTIONS}")
string(REPLACE "|" ";" inputs "${INPUTS}")
set(n 0)
foreach(input IN LISTS inputs)
  if(IS_DIRECTORY "${input}")
    file(GLOB files LIST_DIRECTORIES false "${input}/*")
  else()
    set(files "${input}")
  endif()
  if(NOT files)
    message(FATAL_ERROR "no inputs in ${input}")
  endif()
  # Numbered, so two inputs of the same name from different folders both stay.
  foreach(file IN LISTS files)
    get_filename_component(name "${file}" NAME)
    file(COPY_FILE "${file}" "${WORK_DIR}/${n}-${name}")
    math(EXPR n "${n} + 1")
  endforeach()
endforeach()
execute_process(COMMAND "${FUZZER}" ${options} "${WORK_DIR}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed: ${rc}")
endif()
