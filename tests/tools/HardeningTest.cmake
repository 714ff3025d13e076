# Builds the probe program with the project's hardening flags, once as dpkg-buildflags gives
# them and once as cmake/Hardening.cmake sets them without it, and reads the program back:
# PIE, full RELRO with immediate binding, checked libc calls, the stack protector, and
# control-flow protection in the compiled code.
# Run as: cmake -DSOURCE_DIR=... -DWORK_DIR=... -P HardeningTest.cmake

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

function(check_probe name)
  set(dir "${WORK_DIR}/${name}")
  file(REMOVE_RECURSE "${dir}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}/tests/tools/hardening" -B "${dir}" -G Ninja
                          -DCMAKE_BUILD_TYPE=Release -DTESSARON_SOURCE_DIR=${SOURCE_DIR} ${ARGN}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    fail("${name}: configuring the probe failed:\n${out}")
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" --build "${dir}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    fail("${name}: building the probe failed:\n${out}")
  endif()
  set(probe "${dir}/probe")
  execute_process(COMMAND readelf -W -h -l -d --dyn-syms "${probe}" OUTPUT_VARIABLE elf)
  foreach(want "Type: +DYN" "GNU_RELRO" "\\(FLAGS\\) +BIND_NOW" "FLAGS_1\\) +Flags: NOW PIE"
               "__read_chk" "__stack_chk_fail")
    if(NOT elf MATCHES "${want}")
      fail("${name}: the probe lacks ${want}")
    endif()
  endforeach()
  execute_process(COMMAND readelf -n "${dir}/CMakeFiles/probe.dir/probe.cpp.o" OUTPUT_VARIABLE notes)
  if(NOT notes MATCHES "x86 feature: IBT, SHSTK")
    fail("${name}: the probe's code has no control-flow protection:\n${notes}")
  endif()
endfunction()

check_probe(dpkg)
check_probe(own -DDPKG_BUILDFLAGS_EXECUTABLE=DPKG_BUILDFLAGS_EXECUTABLE-NOTFOUND)
