# The Debian package: `cpack -G DEB` in a release build makes tessaron_<version>_amd64.deb
# with everything `cmake --install` puts down, under /usr. Its Depends field is computed by
# dpkg-shlibdeps (dpkg-dev) from the installed programs, so it names exactly the libraries
# they link against, at the versions this machine built them with.

set(TESSARON_PACKAGE_MAINTAINER "Tessaron maintainers <maintainers@users.noreply.c-seed-5ec1f045.example>"
    CACHE STRING "Maintainer field of the Debian package")

# Debian wants the copyright and changelog files under the package's own name in doc/. The
# copyright file is in Debian's machine-readable format and carries the MIT licence of
# LICENSE under its Debian name, Expat; no second copy of the licence is installed.
set(_tessaron_docdir ${CMAKE_INSTALL_DATADIR}/doc/tessaron)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright DESTINATION ${_tessaron_docdir})
find_program(GZIP_EXECUTABLE gzip REQUIRED)
# -n keeps the name and time stamp out of the archive, so the same sources give the same bytes.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/debian/changelog ${CMAKE_BINARY_DIR}/debian/changelog
  COMMAND ${GZIP_EXECUTABLE} -9nf ${CMAKE_BINARY_DIR}/debian/changelog
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog VERBATIM)
add_custom_target(tessaron_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.gz DESTINATION ${_tessaron_docdir})

# A stripped install (the package's) drops the compiler's version notes too, as Debian's own
# strip does; this runs after every program is installed, since install rules keep their order.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program ${CMAKE_INSTALL_BINDIR}/tessaron ${CMAKE_INSTALL_BINDIR}/tessaron-info
                    ${CMAKE_INSTALL_BINDIR}/tessaron-render
                    ${CMAKE_INSTALL_LIBEXECDIR}/tessaron/libtessaron-texture-decoder.so)
      set(file \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${program}\")
      if(EXISTS \"\${file}\")
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\${file}\" COMMAND_ERROR_IS_FATAL ANY)
      endif()
    endforeach()
  endif()")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaron)
set(CPACK_PACKAGE_VENDOR Brannock)
set(CPACK_PACKAGE_CONTACT "${TESSARON_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for 3D Studio mesh files (.3ds)")
# Lines as they stand in the control file: Debian tools show the description unwrapped.
set(CPACK_PACKAGE_DESCRIPTION [[Tessaron shows 3D Studio mesh files in model windows drawn with OpenGL
under one light, over a coloured background and a ground grid. Models are
turned and zoomed with keys and the mouse, or walked through by an eye that
moves over the ground.
tessaron-info prints what a file holds. tessaron-render draws models to PNG
pictures without a display; it is also the file manager's thumbnailer for 3DS
files.]])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time rather than linked, so dpkg-shlibdeps cannot see them: Mesa's GL
# drivers draw where no GPU driver is installed, its EGL vendor serves tessaron-render, and
# Qt's extra image formats read TGA textures in full shading.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri, libegl-mesa0, qt6-image-formats-plugins")
include(CPack)
