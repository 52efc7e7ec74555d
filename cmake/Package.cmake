# What `cmake --install` and the distribution hold besides the programs and
# DLLs: the CMake package for MinGW hosts, a read-me for host developers, and
# the zip archive made by cpack (scripts/package.sh).
include(CMakePackageConfigHelpers)
set(package_dir "${CMAKE_BINARY_DIR}/package")
configure_file(cmake/PhoneBkConfig.cmake.in "${package_dir}/PhoneBkConfig.cmake" COPYONLY)
# The version file also refuses a 64-bit host: the library is 32-bit.
write_basic_package_version_file("${package_dir}/PhoneBkConfigVersion.cmake"
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES "${package_dir}/PhoneBkConfig.cmake" "${package_dir}/PhoneBkConfigVersion.cmake"
    DESTINATION lib/cmake/PhoneBk)
configure_file(cmake/README.txt.in "${package_dir}/README.txt" @ONLY NEWLINE_STYLE CRLF)
install(FILES "${package_dir}/README.txt" DESTINATION .)
# The stand-ins of the product's components and of the shell are installed
# apart from bin/, with a read-me of their own that says never to put them
# beside the product.
configure_file(cmake/stand-ins-README.txt.in "${package_dir}/stand-ins/README.txt" @ONLY NEWLINE_STYLE CRLF)
install(FILES "${package_dir}/stand-ins/README.txt" DESTINATION stand-ins)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME PhoneBk)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "PhoneBk-${PROJECT_VERSION}-win32")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
include(CPack)
