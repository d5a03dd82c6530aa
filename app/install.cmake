# What "cmake --install" puts in place besides lumora and lumora-batch
# (installed by their own targets): lumora-sweep, which must sit next to
# lumora-batch, the shipped example configurations and a desktop entry.
include(GNUInstallDirs)
install(TARGETS lumora-sweep RUNTIME DESTINATION bin)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lumora/examples
        FILES_MATCHING PATTERN "*.txt" PATTERN "*.dat")
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lumora.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
