# What makes a program a desktop program on Linux, installed with it: its
# desktop entry, its icon in the icon theme's sizes (drawn at build time from
# the XPM that the program shows, scripts/make-icons.py) and in pixmaps/ for
# older menus, and its AppStream metainfo.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Where the metainfo's screenshots are published: the pictures the GUI tests
# write into test-output/ (tavrin.png, tavrinview.png), which
# scripts/package.sh puts beside the package.
set(TAVRIN_SCREENSHOT_URL "https://tavrin.invalid/screenshots" CACHE STRING
  "Where the AppStream screenshots of Tavrin and TavrinView are published")

# tavrin_install_desktop_files(PROGRAM RESOURCES APPSTREAM-ID): RESOURCES holds
# PROGRAM.desktop, PROGRAM.xpm and PROGRAM.metainfo.xml.in.
function(tavrin_install_desktop_files program resources appstream_id)
  set(icons ${CMAKE_CURRENT_BINARY_DIR}/icons)
  set(pngs)
  foreach(size 16 32 48 64 128 256)
    list(APPEND pngs ${icons}/hicolor/${size}x${size}/apps/${program}.png)
  endforeach()
  add_custom_command(OUTPUT ${pngs}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/make-icons.py --png
      ${resources}/${program}.xpm ${icons}
    DEPENDS ${resources}/${program}.xpm ${PROJECT_SOURCE_DIR}/scripts/make-icons.py VERBATIM)
  add_custom_target(${program}_icons ALL DEPENDS ${pngs})
  set(metainfo ${CMAKE_CURRENT_BINARY_DIR}/${appstream_id}.metainfo.xml)
  configure_file(${resources}/${program}.metainfo.xml.in ${metainfo} @ONLY)

  install(FILES ${resources}/${program}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${resources}/${program}.xpm DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps)
  install(DIRECTORY ${icons}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endfunction()
