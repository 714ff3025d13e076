# Makes the Debian package from this build tree with its own CPack configuration, and
# checks the files it installs and the libraries it depends on. dpkg-shlibdeps reads the
# programs as they are built here, so the Depends field is computed the same way as for a
# release build (which adds no sanitizer runtimes).
# Run as: cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DVERSION=... -P PackageTest.cmake

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CMAKE_CPACK_COMMAND}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  fail("cpack failed (${rc}):\n${out}")
endif()

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb "${WORK_DIR}/tessaron_${VERSION}_${arch}.deb")
file(GLOB made "${WORK_DIR}/*.deb")
if(NOT made STREQUAL deb)
  fail("expected exactly ${deb}, cpack made: ${made}")
endif()

# Every regular file with its mode: programs executable, everything else plain data.
execute_process(COMMAND dpkg-deb -c "${deb}" OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  fail("dpkg-deb -c failed (${rc})")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(files)
foreach(line IN LISTS lines)
  if(line MATCHES "^(-[rwx-]+) [^ ]+ +[0-9]+ [^ ]+ [^ ]+ \\./(.*)$")
    list(APPEND files "${CMAKE_MATCH_1} ${CMAKE_MATCH_2}")
  elseif(NOT line MATCHES "^d" AND NOT line STREQUAL "")
    fail("unexpected entry in the package: ${line}")
  endif()
endforeach()
list(SORT files)
set(expected
  "-rw-r--r-- usr/share/applications/tessaron.desktop"
  "-rw-r--r-- usr/share/doc/tessaron/changelog.gz"
  "-rw-r--r-- usr/share/doc/tessaron/copyright"
  "-rw-r--r-- usr/share/icons/hicolor/16x16/apps/tessaron.png"
  "-rw-r--r-- usr/share/icons/hicolor/32x32/apps/tessaron.png"
  "-rw-r--r-- usr/share/man/man1/tessaron-convert.1.gz"
  "-rw-r--r-- usr/share/man/man1/tessaron-info.1.gz"
  "-rw-r--r-- usr/share/man/man1/tessaron-render.1.gz"
  "-rw-r--r-- usr/share/man/man1/tessaron.1.gz"
  "-rw-r--r-- usr/share/metainfo/tessaron.metainfo.xml"
  "-rw-r--r-- usr/share/tessaron/screenshots/drag-after.png"
  "-rw-r--r-- usr/share/tessaron/screenshots/drag-before.png"
  "-rw-r--r-- usr/share/tessaron/screenshots/screenshot.png"
  "-rw-r--r-- usr/share/tessaron/screenshots/walk.png"
  "-rw-r--r-- usr/share/tessaron/tessaron.html"
  "-rw-r--r-- usr/share/thumbnailers/tessaron.thumbnailer"
  "-rwxr-xr-x usr/bin/tessaron"
  "-rwxr-xr-x usr/bin/tessaron-convert"
  "-rwxr-xr-x usr/bin/tessaron-info"
  "-rwxr-xr-x usr/bin/tessaron-render"
  "-rw-r--r-- usr/libexec/tessaron/libtessaron-texture-decoder.so")
list(SORT expected)
if(NOT files STREQUAL expected)
  string(REPLACE ";" "\n  " got "${files}")
  string(REPLACE ";" "\n  " want "${expected}")
  fail("files in the package:\n  ${got}\nexpected:\n  ${want}")
endif()

# Man pages as man-db reads them and Debian keeps them: gzip without a time stamp, holding roff.
execute_process(COMMAND dpkg-deb -x "${deb}" "${WORK_DIR}/root" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  fail("dpkg-deb -x failed (${rc})")
endif()
foreach(program tessaron tessaron-info tessaron-render tessaron-convert)
  set(page "${WORK_DIR}/root/usr/share/man/man1/${program}.1.gz")
  file(READ "${page}" head LIMIT 8 HEX)
  if(NOT head MATCHES "^1f8b08..00000000$")
    fail("${program}.1.gz is not gzip without a time stamp: ${head}")
  endif()
  execute_process(COMMAND gzip -dc "${page}" OUTPUT_VARIABLE roff RESULT_VARIABLE rc)
  string(TOUPPER "${program}" title)
  if(NOT rc EQUAL 0 OR NOT roff MATCHES "^\\.TH ${title} 1 .*\\.SH EXIT STATUS")
    fail("${program}.1.gz does not hold the man page of ${program} with its exit statuses")
  endif()
endforeach()

# Depends as dpkg-shlibdeps computed it: Qt 6, GL through GLVND, GLU, and EGL for the renderer.
execute_process(COMMAND dpkg-deb -f "${deb}" Depends OUTPUT_VARIABLE depends RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  fail("dpkg-deb -f failed (${rc})")
endif()
foreach(package libqt6core6 libqt6gui6 libqt6widgets6 libqt6openglwidgets6 libopengl0
                libglu1-mesa libegl1 libc6)
  if(NOT depends MATCHES "(^|, )${package}( |,|$)")
    fail("Depends lacks ${package}: ${depends}")
  endif()
endforeach()

set(root "${WORK_DIR}/root")

# The copyright file in Debian's machine-readable format, with LICENSE's text word for word.
file(READ "${root}/usr/share/doc/tessaron/copyright" copyright)
if(NOT copyright MATCHES "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
   OR NOT copyright MATCHES "\nFiles: \\*\nCopyright: [^\n]+\nLicense: Expat\n")
  fail("the copyright file is not machine-readable with every file under Expat:\n${copyright}")
endif()
file(READ "${SOURCE_DIR}/LICENSE" license)
string(FIND "${license}" "Permission is hereby" start)
string(SUBSTRING "${license}" ${start} -1 permission)
string(STRIP "${permission}" permission)
string(REPLACE "\n\n" "\n.\n" permission "${permission}")
string(REPLACE "\n" "\n " permission " ${permission}")
string(FIND "${copyright}" "\nLicense: Expat\n${permission}\n" at)
if(at EQUAL -1 OR NOT copyright MATCHES "\nComment: [^\n]*\n [^\n]*MIT licence")
  fail("the copyright file's Expat paragraph is not LICENSE's text:\n${copyright}")
endif()

execute_process(COMMAND desktop-file-validate "${root}/usr/share/applications/tessaron.desktop"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
  fail("desktop-file-validate (${rc}):\n${out}")
endif()

# The software centre's entry: valid, and naming what the package really holds. The one
# warning allowed is for the ID, which stays the desktop entry's name until the project has
# a domain of its own to put in front of it.
set(metainfo "${root}/usr/share/metainfo/tessaron.metainfo.xml")
execute_process(COMMAND appstreamcli validate --no-net --no-color "${metainfo}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
string(REGEX MATCHALL "(^|\n)[EW]: [^\n]*" problems "${out}")
list(TRANSFORM problems STRIP)
if(NOT problems STREQUAL "W: tessaron:3: cid-desktopapp-is-not-rdns tessaron" OR NOT out MATCHES "warnings: 1\n?$")
  fail("appstreamcli validate (${rc}):\n${out}")
endif()
file(READ "${metainfo}" xml)
if(NOT xml MATCHES "<component type=\"desktop-application\">" OR
   NOT xml MATCHES "<launchable type=\"desktop-id\">tessaron.desktop</launchable>")
  fail("the metainfo is no desktop application launched by the installed entry")
endif()
foreach(program tessaron tessaron-info tessaron-render tessaron-convert)
  if(NOT xml MATCHES "<binary>${program}</binary>")
    fail("the metainfo does not provide ${program}")
  endif()
endforeach()
# The types the software centre lists are the ones the desktop entry opens.
file(READ "${root}/usr/share/applications/tessaron.desktop" entry)
string(REGEX MATCH "\nMimeType=([^\n]*)" entry_types "${entry}")
set(entry_types "${CMAKE_MATCH_1}")  # "a;b;" is a CMake list already, with one empty item
list(FILTER entry_types EXCLUDE REGEX "^$")
string(REGEX MATCHALL "<mediatype>[^<]*</mediatype>" provided_types "${xml}")
list(TRANSFORM provided_types REPLACE "</?mediatype>" "")
if(entry_types STREQUAL "" OR NOT provided_types STREQUAL entry_types)
  fail("the metainfo provides the types '${provided_types}', the desktop entry opens '${entry_types}'")
endif()
string(REGEX MATCHALL "<image [^>]*>[^<]*/([^/<]+)</image>" images "${xml}")
list(LENGTH images count)
if(count LESS 1)
  fail("the metainfo has no screenshot")
endif()
foreach(image IN LISTS images)
  string(REGEX REPLACE ".*/([^/<]+)</image>$" "\\1" name "${image}")
  if(NOT EXISTS "${root}/usr/share/tessaron/screenshots/${name}")
    fail("screenshot ${name} is not in the package")
  endif()
endforeach()
# The release is this version, on the day of the changelog's newest entry.
execute_process(COMMAND dpkg-parsechangelog -l "${SOURCE_DIR}/cmake/debian/changelog" -S Timestamp
  OUTPUT_VARIABLE stamp OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
execute_process(COMMAND date -u -d "@${stamp}" +%F OUTPUT_VARIABLE day OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0 OR NOT xml MATCHES "<release version=\"${VERSION}\" date=\"${day}\">")
  fail("the metainfo's release is not ${VERSION} of ${day}")
endif()
