# What `cmake --install` puts where (default prefix /usr/local), and so what
# the Debian package holds: the two programs, the manual that Help opens,
# the desktop entry, the icon in every size desktops look up, the manual
# pages, and the copyright file and changelog every Debian package carries. Help looks for the manual at the path from the program's directory
# to LETTRICA_HELP_DIR, so any prefix works.

set(LETTRICA_HELP_DIR ${CMAKE_INSTALL_DATADIR}/lettrica)

install(TARGETS lettrica-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages, compressed as Debian ships them.
set(MAN_PAGES ${PROJECT_SOURCE_DIR}/data/lettrica-cli.1)
if(LETTRICA_BUILD_GUI)
  list(APPEND MAN_PAGES ${PROJECT_SOURCE_DIR}/data/lettrica.1)
endif()
set(MAN_GZ)
foreach(page ${MAN_PAGES})
  get_filename_component(name ${page} NAME)
  set(gz ${PROJECT_BINARY_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9nc ${page} > ${gz}
    DEPENDS ${page}
    COMMENT "Compressing ${name}")
  list(APPEND MAN_GZ ${gz})
endforeach()
add_custom_target(lettrica_man ALL DEPENDS ${MAN_GZ})
install(FILES ${MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's copyright and its changelog, where Debian keeps them: a
# package whose version has no Debian revision is native, and its changelog
# is changelog.gz.
set(CHANGELOG_GZ ${PROJECT_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${CHANGELOG_GZ}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/data/changelog > ${CHANGELOG_GZ}
  DEPENDS ${PROJECT_SOURCE_DIR}/data/changelog
  COMMENT "Compressing the changelog")
add_custom_target(lettrica_changelog ALL DEPENDS ${CHANGELOG_GZ})
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright ${CHANGELOG_GZ}
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/lettrica)

if(LETTRICA_BUILD_GUI)
  install(TARGETS lettrica RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/data/help.html DESTINATION ${LETTRICA_HELP_DIR})
  install(FILES ${PROJECT_SOURCE_DIR}/data/lettrica.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  set(HICOLOR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/lettrica.svg DESTINATION ${HICOLOR}/scalable/apps)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/lettrica-${size}.png
      DESTINATION ${HICOLOR}/${size}x${size}/apps RENAME lettrica.png)
  endforeach()
endif()
