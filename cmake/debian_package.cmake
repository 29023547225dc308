# The Debian package (scripts/package.sh): CPack's DEB generator over the
# install rules, from a Release build. dpkg-shlibdeps finds the libraries the
# programs link; dpkg's file triggers of shared-mime-info, desktop-file-utils
# and the icon theme refresh their caches, so the package needs no scripts.
set(TAVRIN_MAINTAINER "Tavrin developers <tavrin@users.noreply.invalid>" CACHE STRING
  "The Debian package's maintainer")

# Debian's documentation files: the copyright, and a changelog (gzipped
# without a time stamp, so that the same sources give the same package).
string(TIMESTAMP TAVRIN_BUILD_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(debian_docs ${CMAKE_BINARY_DIR}/debian-docs)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${debian_docs}/changelog @ONLY)
add_custom_command(OUTPUT ${debian_docs}/changelog.gz
  COMMAND gzip -9nkf ${debian_docs}/changelog
  DEPENDS ${debian_docs}/changelog VERBATIM)
add_custom_target(debian_docs ALL DEPENDS ${debian_docs}/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${debian_docs}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavrin)

# The programs' manual pages, gzipped as Debian keeps them.
set(manual_pages)
foreach(program tavrin tavrin-notify tavrinview tavrin-file)
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/man/${program}.1 > ${page}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/${program}.1)
  list(APPEND manual_pages ${page})
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${manual_pages})
install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TAVRIN_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "handwritten memo notepad with alarms, and its viewer")
set(CPACK_PACKAGE_DESCRIPTION "Tavrin is a notepad for handwriting: each memo is a page written with the
mouse or a pen tablet, in one list of memos, each with an optional alarm
that the desktop shows as a notification with a sound.

TavrinView shows the memos of a memo file, read-only; tavrin-file
describes, checks and exports memo files and makes their thumbnails for
file managers.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds the display's platform plugin at run time: no linker sees it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Owner root and standard modes, whatever the build folder's were.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
