# volmara_install_configured(SOURCE DESTINATION [PROGRAM] [RENAME NAME])
# Installs SOURCE after replacing @VOLMARA_BINDIR@ with the bin folder of the prefix it is installed to.
# The replacement happens at install time because cpack installs to /usr whatever prefix the build was
# configured with, and the polkit action and the launcher must name the program's real path.
include(GNUInstallDirs)

function(volmara_install_configured source destination)
  cmake_parse_arguments(arg "PROGRAM" "RENAME" "" ${ARGN})
  get_filename_component(name ${source} NAME)
  string(REGEX REPLACE "\\.in$" "" name "${name}")
  if(arg_RENAME)
    set(name ${arg_RENAME})
  endif()
  set(configured ${CMAKE_CURRENT_BINARY_DIR}/install-time/${name})
  install(CODE "
    set(VOLMARA_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/${source}\" \"${configured}\" @ONLY)")
  if(arg_PROGRAM)
    install(PROGRAMS ${configured} DESTINATION ${destination})
  else()
    install(FILES ${configured} DESTINATION ${destination})
  endif()
endfunction()
