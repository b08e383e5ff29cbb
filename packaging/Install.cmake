# Installed layout: the programs and their sounds live together in lib/quorbit
# (the program finds its sounds and help beside itself); bin holds links to the
# two programs, and the help lies in share/help with a link beside the programs.
include(GNUInstallDirs)
set(QUORBIT_APP_DIR ${CMAKE_INSTALL_LIBDIR}/quorbit)
set(QUORBIT_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quorbit)
set(QUORBIT_HELP_DIR ${CMAKE_INSTALL_DATADIR}/help/C/quorbit)

# A relative symbolic link LINK -> TARGET, both given below the prefix, so that a
# DESTDIR or relocated install stays whole.
function(quorbit_install_link target link)
  get_filename_component(folder "/${link}" DIRECTORY)
  file(RELATIVE_PATH relative "${folder}" "/${target}")
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${link}\")
    get_filename_component(folder \"\${link}\" DIRECTORY)
    file(MAKE_DIRECTORY \"\${folder}\")
    file(CREATE_LINK \"${relative}\" \"\${link}\" SYMBOLIC)
    message(STATUS \"Linking: \${link}\")")
endfunction()

# Debian wants manual pages and changelogs compressed, and gzip -n keeps the
# archive free of the build's time.
set(QUORBIT_GZIPPED)
function(quorbit_gzip source name)
  set(copy ${CMAKE_BINARY_DIR}/packaging/${name})
  add_custom_command(
    OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND gzip -9nf ${copy}
    DEPENDS ${source}
    COMMENT "Compressing ${name}")
  set(QUORBIT_GZIPPED ${QUORBIT_GZIPPED} ${copy}.gz PARENT_SCOPE)
endfunction()

# A program in lib/quorbit with its link in bin. A stripped install (cpack, or
# cmake --install --strip) also drops the compiler's name, as Debian's strip does.
function(quorbit_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${QUORBIT_APP_DIR})
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${QUORBIT_APP_DIR}/${target}\")
    endif()")
  quorbit_install_link(${QUORBIT_APP_DIR}/${target} ${CMAKE_INSTALL_BINDIR}/${target})
endfunction()

quorbit_install_program(quorbit-cli)
quorbit_gzip(${CMAKE_SOURCE_DIR}/packaging/quorbit-cli.1 quorbit-cli.1)
if(QUORBIT_GUI)
  quorbit_install_program(quorbit)
  foreach(sound init error done slide ok)
    install(FILES ${CMAKE_BINARY_DIR}/src/gui/${sound}.wav DESTINATION ${QUORBIT_APP_DIR})
  endforeach()
  quorbit_gzip(${CMAKE_SOURCE_DIR}/packaging/quorbit.1 quorbit.1)
  # the menu entry starts the window
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorbit.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorbit.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
# Documents belong in share; the programs still find the help beside themselves.
install(FILES ${CMAKE_SOURCE_DIR}/src/gui/help/quorbit.html DESTINATION ${QUORBIT_HELP_DIR})
quorbit_install_link(${QUORBIT_HELP_DIR}/quorbit.html ${QUORBIT_APP_DIR}/quorbit.html)
# The marker tells the programs they are installed: their folder then belongs to
# the system and the port file goes to the user's configuration folder.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/installed DESTINATION ${QUORBIT_APP_DIR})

install(FILES ${CMAKE_SOURCE_DIR}/packaging/quorbit-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quorbit-cli)

# The Debian changelog's first entry is the version being built.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog QUORBIT_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT QUORBIT_CHANGELOG_TOP MATCHES "^quorbit \\(${PROJECT_VERSION}\\) ")
  message(WARNING "packaging/changelog starts with \"${QUORBIT_CHANGELOG_TOP}\": add an entry "
                  "for version ${PROJECT_VERSION} before building the package")
endif()
quorbit_gzip(${CMAKE_SOURCE_DIR}/packaging/changelog changelog)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${QUORBIT_DOC_DIR})
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${QUORBIT_DOC_DIR})
foreach(page quorbit-cli.1 quorbit.1)
  if(${CMAKE_BINARY_DIR}/packaging/${page}.gz IN_LIST QUORBIT_GZIPPED)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
add_custom_target(quorbit_gzipped ALL DEPENDS ${QUORBIT_GZIPPED})

# cpack -G DEB: a package lintian finds clean (scripts/package.sh checks it).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorbit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "QUORBIT developers <quorbit@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "front end for the QUORBIT-4/5/6 parallel-port device programmers")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_SOURCE_DIR}/packaging/description)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The binaries are built with debugging information; the package ships them without.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
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
