# Installs the build into ROOT (a DESTDIR) and runs the linked quorbit-cli from
# there: the links, the program and the layout must all hold.
file(REMOVE_RECURSE ${ROOT})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${ROOT}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${installed}")
endif()
set(expected usr/bin/quorbit-cli usr/share/man/man1/quorbit-cli.1)
if(EXISTS ${ROOT}/usr/bin/quorbit) # built with the window: its menu entry and sounds
  list(APPEND expected usr/share/applications/quorbit.desktop
       usr/share/icons/hicolor/scalable/apps/quorbit.svg)
  file(GLOB sounds ${ROOT}/usr/lib*/quorbit/ok.wav)
  if(NOT sounds)
    message(FATAL_ERROR "the sounds are not beside the installed window")
  endif()
endif()
foreach(file ${expected})
  if(NOT EXISTS ${ROOT}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(GLOB help ${ROOT}/usr/lib*/quorbit/quorbit.html)
if(NOT help)
  message(FATAL_ERROR "the help file is not beside the installed program")
endif()
execute_process(COMMAND ${ROOT}/usr/bin/quorbit-cli devices
                RESULT_VARIABLE status OUTPUT_VARIABLE listing)
if(NOT status EQUAL 0 OR NOT listing MATCHES "27C256")
  message(FATAL_ERROR "installed quorbit-cli devices failed (${status}): ${listing}")
endif()
file(REMOVE_RECURSE ${ROOT})
