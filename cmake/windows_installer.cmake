# The Windows installer, Tavrin-<version>-setup.exe, made by NSIS (Debian's
# nsis package) from the programs of this build: `ninja installer`.
find_program(TAVRIN_MAKENSIS makensis)
set(setup ${CMAKE_BINARY_DIR}/Tavrin-${PROJECT_VERSION}-setup.exe)
set(script ${PROJECT_SOURCE_DIR}/packaging/windows/tavrin.nsi)
if(TAVRIN_MAKENSIS)
  add_custom_command(OUTPUT ${setup}
    COMMAND ${TAVRIN_MAKENSIS} -V2 -NOCD
      -DVERSION=${PROJECT_VERSION}
      -DOUTPUT=${setup}
      -DTAVRIN_EXE=$<TARGET_FILE:Tavrin>
      -DTAVRINVIEW_EXE=$<TARGET_FILE:TavrinView>
      -DALARM_SOUND=$<TARGET_FILE_DIR:Tavrin>/Alarm2.wav
      ${script}
    DEPENDS ${script} Tavrin TavrinView VERBATIM)
  add_custom_target(installer DEPENDS ${setup})
else()
  add_custom_target(installer
    COMMAND ${CMAKE_COMMAND} -E echo "makensis is missing: scripts/install-deps.sh windows installs it"
    COMMAND ${CMAKE_COMMAND} -E false)
endif()
