# Installs the build into ROOT (a DESTDIR) and runs the linked quorbit-cli from
# there: the links, the program and the layout must all hold, and a detection
# writes nothing under the prefix, whatever the rights of whoever runs it.
set(xdg ${ROOT}-xdg)
set(work ${ROOT}-work)
file(REMOVE_RECURSE ${ROOT} ${xdg} ${work})
file(MAKE_DIRECTORY ${xdg} ${work})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${ROOT}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${installed}")
endif()
set(expected usr/bin/quorbit-cli usr/share/man/man1/quorbit-cli.1.gz
    usr/share/bash-completion/completions/quorbit-cli usr/share/doc/quorbit/copyright
    usr/share/doc/quorbit/changelog.gz)
if(EXISTS ${ROOT}/usr/bin/quorbit) # built with the window: its menu entry, manual and sounds
  list(APPEND expected usr/share/applications/quorbit.desktop
       usr/share/icons/hicolor/scalable/apps/quorbit.svg usr/share/man/man1/quorbit.1.gz)
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
if(NOT help OR NOT EXISTS "${help}") # EXISTS follows the link to share/help
  message(FATAL_ERROR "the help file is not beside the installed program")
endif()
execute_process(COMMAND ${ROOT}/usr/bin/quorbit-cli devices
                RESULT_VARIABLE status OUTPUT_VARIABLE listing)
if(NOT status EQUAL 0 OR NOT listing MATCHES "27C256")
  message(FATAL_ERROR "installed quorbit-cli devices failed (${status}): ${listing}")
endif()

# Every file under the prefix with its contents' hash.
function(snapshot out)
  file(GLOB_RECURSE entries LIST_DIRECTORIES true ${ROOT}/*)
  set(lines)
  foreach(entry ${entries})
    if(IS_SYMLINK ${entry} OR IS_DIRECTORY ${entry})
      list(APPEND lines ${entry})
    else()
      file(MD5 ${entry} hash)
      list(APPEND lines "${entry}:${hash}")
    endif()
  endforeach()
  list(SORT lines)
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

snapshot(before)
execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_CONFIG_HOME=${xdg} HOME=${work}
                        ${ROOT}/usr/bin/quorbit-cli detect
                WORKING_DIRECTORY ${work}
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE said)
if(NOT status EQUAL 0 OR NOT log MATCHES "Device was FOUND")
  message(FATAL_ERROR "installed quorbit-cli detect failed (${status}): ${log}${said}")
endif()
snapshot(after)
if(NOT before STREQUAL after)
  set(changed ${after})
  list(REMOVE_ITEM changed ${before})
  message(FATAL_ERROR "installed quorbit-cli detect wrote under its prefix: ${changed}")
endif()
if(NOT EXISTS ${xdg}/quorbit/quorbit6.ini)
  message(FATAL_ERROR "the port file is not in XDG_CONFIG_HOME/quorbit: ${said}")
endif()
string(FIND "${said}" "saved in ${xdg}/quorbit/quorbit6.ini" told)
if(told EQUAL -1)
  message(FATAL_ERROR "detect did not say where the port file went: ${said}")
endif()
file(REMOVE_RECURSE ${ROOT} ${xdg} ${work})
