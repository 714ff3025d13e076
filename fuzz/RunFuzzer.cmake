# Runs the fuzzer with a fresh, empty working corpus in front of its read-only input
# folders, so that what it finds goes to the build tree and never into the sources.
#   cmake -DFUZZER=path -DWORK_DIR=dir -DOPTIONS="-opt|-opt|..." -DINPUTS="dir|dir|..." -P RunFuzzer.cmake
foreach(var FUZZER WORK_DIR OPTIONS INPUTS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunFuzzer.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
string(REPLACE "|" ";" options "${OPTIONS}")
string(REPLACE "|" ";" inputs "${INPUTS}")
# libFuzzer adds new inputs to the first folder it is given.
execute_process(COMMAND "${FUZZER}" ${options} "${WORK_DIR}" ${inputs} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed: ${rc}")
endif()
