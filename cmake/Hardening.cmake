# The distribution's hardening flags, declared once for every target: stack protector,
# _FORTIFY_SOURCE, format-security, PIE, full RELRO with immediate binding, and
# control-flow protection. tessaron-render reads every downloaded model a file manager
# shows, so the programs are built as a distribution would build them.
#
# Where dpkg-buildflags is installed its answer is taken (with every hardening feature on);
# the optimisation, debug and file-prefix flags in it are left out, since the build type and
# the build folder decide those. Elsewhere the same flags are set here. Sanitizer builds do
# without: _FORTIFY_SOURCE's checked functions hide accesses from AddressSanitizer.

if(TESSARON_SANITIZE)
  set(_tessaron_harden_default OFF)
else()
  set(_tessaron_harden_default ON)
endif()
option(TESSARON_HARDEN "Build with the distribution's hardening flags" ${_tessaron_harden_default})
if(NOT TESSARON_HARDEN)
  return()
endif()

include(CheckCXXCompilerFlag)
include(CheckPIESupported)
check_pie_supported(LANGUAGES C CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

set(_tessaron_compile_flags)
set(_tessaron_link_flags)
find_program(DPKG_BUILDFLAGS_EXECUTABLE dpkg-buildflags)
if(DPKG_BUILDFLAGS_EXECUTABLE)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${DPKG_BUILDFLAGS_EXECUTABLE} --get ${kind}
      OUTPUT_VARIABLE _flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed: ${_rc}")
    endif()
    separate_arguments(_flags UNIX_COMMAND "${_flags}")
    list(FILTER _flags EXCLUDE REGEX "^-(g.*|O.*|f(file|debug|macro)-prefix-map=.*)$")
    if(kind STREQUAL LDFLAGS)
      list(APPEND _tessaron_link_flags ${_flags})
    else()
      list(APPEND _tessaron_compile_flags ${_flags})
    endif()
  endforeach()
else()
  list(APPEND _tessaron_compile_flags -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat -Werror=format-security)
  list(APPEND _tessaron_link_flags -Wl,-z,relro -Wl,-z,now)
endif()

# Newer dpkg releases add these two; the compiler decides whether it has them.
foreach(flag -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "TESSARON_HAS${flag}" _var)
  if(NOT flag IN_LIST _tessaron_compile_flags)
    check_cxx_compiler_flag(${flag} ${_var})
    if(${_var})
      list(APPEND _tessaron_compile_flags ${flag})
    endif()
  endif()
endforeach()

# _FORTIFY_SOURCE needs the optimiser; a Debug build would only warn about it.
list(TRANSFORM _tessaron_compile_flags REPLACE "^(-D_FORTIFY_SOURCE=.*)$" "$<$<NOT:$<CONFIG:Debug>>:\\1>")
add_compile_options(${_tessaron_compile_flags})
add_link_options(${_tessaron_link_flags})
message(STATUS "Hardening: ${_tessaron_compile_flags} ${_tessaron_link_flags}")
