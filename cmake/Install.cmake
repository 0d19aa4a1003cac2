# Installing Passavue like any Linux desktop program: the two programs in
# bin/, their data (manual; the generated textures and frame tiles are
# installed by tools/assetgen) under share/passavue/, where the programs look
# for it when nothing lies beside them, and the desktop entry, icons and the
# design file type for the application menu and the file manager.
include(GNUInstallDirs)

foreach(program passavue passavue-render)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(PASSAVUE_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/passavue)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/help DESTINATION ${PASSAVUE_INSTALL_DATADIR})

install(FILES ${PROJECT_SOURCE_DIR}/data/passavue.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/passavue-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME passavue.xml)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/passavue.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The PNG sizes are rendered from the SVG by scripts/render-icons.sh and kept
# in the repository, so the build needs no SVG renderer.
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/passavue-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME passavue.png)
endforeach()

# A direct install (not one staged with DESTDIR for a package, whose own
# triggers do this) refreshes the file-type and application databases, so
# that a double-clicked design opens in Passavue at once.
option(PASSAVUE_INSTALL_UPDATE_DATABASES "Refresh the MIME and desktop databases after installing" ON)
if(PASSAVUE_INSTALL_UPDATE_DATABASES)
  find_program(PASSAVUE_UPDATE_MIME_DATABASE update-mime-database)
  find_program(PASSAVUE_UPDATE_DESKTOP_DATABASE update-desktop-database)
  install(CODE "
    if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
      set(share \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}\")
      if(EXISTS \"${PASSAVUE_UPDATE_MIME_DATABASE}\")
        execute_process(COMMAND \"${PASSAVUE_UPDATE_MIME_DATABASE}\" \"\${share}/mime\")
      endif()
      if(EXISTS \"${PASSAVUE_UPDATE_DESKTOP_DATABASE}\")
        execute_process(COMMAND \"${PASSAVUE_UPDATE_DESKTOP_DATABASE}\" -q \"\${share}/applications\")
      endif()
    endif()")
endif()
