# quorvane_install_link(NAME TARGET DESTINATION): installs a symbolic link DESTINATION/NAME that
# points at TARGET, as a link, not as a copy of what it points at. The link is made in the build
# tree first, since install() copies files rather than making them.
function(quorvane_install_link name target destination)
    string(MAKE_C_IDENTIFIER "${destination}" folder)
    set(link "${CMAKE_CURRENT_BINARY_DIR}/install-links/${folder}/${name}")
    get_filename_component(link_dir "${link}" DIRECTORY)
    file(MAKE_DIRECTORY "${link_dir}")
    file(CREATE_LINK "${target}" "${link}" SYMBOLIC)
    install(FILES "${link}" DESTINATION "${destination}")
endfunction()

# quorvane_install_program_link(NAME): links BINDIR/NAME to NAME in the program's own folder,
# with a path relative to BINDIR, as Debian wants for links that stay inside /usr.
function(quorvane_install_program_link name)
    file(RELATIVE_PATH target "/${CMAKE_INSTALL_BINDIR}" "/${QUORVANE_INSTALL_PROGRAMDIR}/${name}")
    quorvane_install_link(${name} "${target}" "${CMAKE_INSTALL_BINDIR}")
endfunction()

# quorvane_gzip(FILE TARGET): FILE.gz in the current build folder, compressed as Debian wants
# (best compression, no name or time stored, so the same file gives the same bytes).
function(quorvane_gzip file target)
    get_filename_component(name "${file}" NAME)
    set(compressed "${CMAKE_CURRENT_BINARY_DIR}/${name}.gz")
    add_custom_command(OUTPUT "${compressed}"
        COMMAND sh -c "gzip -9n --stdout \"$1\" > \"$2\"" sh "${file}" "${compressed}"
        DEPENDS "${file}"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS "${compressed}")
endfunction()
