# What "cmake --install" puts in place besides the two programs (installed by
# their own targets): the shipped example configurations and a desktop entry.
include(GNUInstallDirs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lumora/examples
        FILES_MATCHING PATTERN "*.txt" PATTERN "*.dat")
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lumora.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
