# Where `cmake --install` puts the program: the executables in bin, the index library and its
# header for other programs that read the same index files, and the desktop entry and icon
# where desktop environments look for them. Included from the top-level list once every target
# exists.
include(GNUInstallDirs)

set(corvane_install_root ${CMAKE_CURRENT_LIST_DIR}/..)
set(corvane_install_programs vindle-tool corvane-setup corvane-news-server cvndump)
if(TARGET corvane)
  list(APPEND corvane_install_programs corvane)
endif()

# The programs find libvindle in the lib folder beside their own bin folder, wherever the tree
# was installed to, without LD_LIBRARY_PATH.
file(RELATIVE_PATH corvane_bin_to_lib
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
set_target_properties(${corvane_install_programs} PROPERTIES
                      INSTALL_RPATH "$ORIGIN/${corvane_bin_to_lib}")

install(TARGETS ${corvane_install_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS vindle
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${corvane_install_root}/vindle/include/vindle.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${corvane_install_root}/resources/corvane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${corvane_install_root}/resources/corvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
