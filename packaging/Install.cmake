# Installed layout: the programs, their sounds and help live together in
# lib/quorbit (the program finds its sounds and help beside itself); bin holds
# links to the two programs.
include(GNUInstallDirs)
set(QUORBIT_APP_DIR ${CMAKE_INSTALL_LIBDIR}/quorbit)

install(TARGETS quorbit-cli RUNTIME DESTINATION ${QUORBIT_APP_DIR})
set(QUORBIT_LINKED_PROGRAMS quorbit-cli)
if(QUORBIT_GUI)
  install(TARGETS quorbit RUNTIME DESTINATION ${QUORBIT_APP_DIR})
  foreach(sound init error done slide ok)
    install(FILES ${CMAKE_BINARY_DIR}/src/gui/${sound}.wav DESTINATION ${QUORBIT_APP_DIR})
  endforeach()
  list(APPEND QUORBIT_LINKED_PROGRAMS quorbit)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/src/gui/help/quorbit.html DESTINATION ${QUORBIT_APP_DIR})
# The marker tells the programs they are installed: their folder then belongs to
# the system and the port file goes to the user's configuration folder.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/installed DESTINATION ${QUORBIT_APP_DIR})

foreach(program ${QUORBIT_LINKED_PROGRAMS})
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${bin}\")
    file(CREATE_LINK \"../${QUORBIT_APP_DIR}/${program}\" \"\${bin}/${program}\" SYMBOLIC)
    message(STATUS \"Linking: \${bin}/${program}\")")
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorbit-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(QUORBIT_GUI) # the menu entry starts the window
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorbit.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorbit.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# cpack -G DEB: the run-time libraries as Debian names them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorbit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "QUORBIT developers <quorbit@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Front end for the QUORBIT-4/5/6 parallel-port device programmers")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(QUORBIT_DEB_DEPENDS "libc6, libstdc++6, libgcc-s1, libsrecord0, zlib1g, libssl3")
if(QUORBIT_GUI)
  string(APPEND QUORBIT_DEB_DEPENDS ", libqt6widgets6, libqt6gui6, libqt6core6, libqt6multimedia6")
endif()
# dpkg-shlibdeps names the exact library packages and versions the programs
# link; without it the list above stands.
find_program(QUORBIT_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QUORBIT_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS ${QUORBIT_DEB_DEPENDS})
endif()
include(CPack)
