# Runs the project's Windows programs under Wine: CTest and the scripts go
# through ${CMAKE_BINARY_DIR}/wine-run, which keeps its Wine prefixes inside
# the build tree and never touches the user's own.
find_program(WINE_PROGRAM wine REQUIRED)
configure_file("${CMAKE_CURRENT_LIST_DIR}/wine-run.in" "${CMAKE_BINARY_DIR}/wine-run"
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run" CACHE FILEPATH "" FORCE)
