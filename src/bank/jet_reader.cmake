include_guard(GLOBAL)
# quorvane_jet: reads the tables of an Access/Jet bank with Debian's libmdb (mdbtools-dev).
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBMDB REQUIRED IMPORTED_TARGET libmdb)

add_library(quorvane_jet STATIC
    ${CMAKE_CURRENT_LIST_DIR}/jet_reader.cpp ${CMAKE_CURRENT_LIST_DIR}/jet_reader.h)
target_link_libraries(quorvane_jet PUBLIC quorvane_core PRIVATE PkgConfig::LIBMDB)
target_compile_options(quorvane_jet PRIVATE -Wall -Wextra)
