# An installed program: its executable in bin/ and its manual page, built
# from docs/man/NAME.1.scd with scdoc and installed compressed. Every program
# installed this way is listed in the AppStream file's <provides>, expected
# by the installation checks and checked by the suite for --help, --version
# and bad arguments; a new program needs nothing more than this call and its
# page.
find_program(VEXEL_SCDOC scdoc REQUIRED)
find_program(VEXEL_GZIP gzip REQUIRED)
set(VEXEL_MAN_BUILD_DIR ${CMAKE_BINARY_DIR}/man)

# An install with stripping (the package's, `cmake --install --strip`)
# strips as Debian does.
if(CMAKE_STRIP AND NOT CMAKE_STRIP MATCHES "debian-strip$")
    set(VEXEL_REAL_STRIP ${CMAKE_STRIP} CACHE INTERNAL "The strip program")
endif()
if(VEXEL_REAL_STRIP)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/debian-strip.in ${CMAKE_BINARY_DIR}/debian-strip @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE)
    set(CMAKE_STRIP ${CMAKE_BINARY_DIR}/debian-strip)
endif()

# Compresses `file` into `file`.gz the way Debian's packages ship documents:
# best compression, no name or time in the header.
function(vexel_gzip_command out file)
    set(${out} COMMAND ${VEXEL_GZIP} -9 -n -f -k ${file} PARENT_SCOPE)
endfunction()

function(vexel_install_program target)
    set(source ${PROJECT_SOURCE_DIR}/docs/man/${target}.1.scd)
    if(NOT EXISTS ${source})
        message(FATAL_ERROR "The program ${target} has no manual page: write docs/man/${target}.1.scd")
    endif()
    # The version filled in, then the page in the form man reads; scdoc dates
    # it from SOURCE_DATE_EPOCH.
    set(page ${VEXEL_MAN_BUILD_DIR}/${target}.1)
    configure_file(${source} ${page}.scd @ONLY)
    vexel_gzip_command(compress ${page})
    add_custom_command(OUTPUT ${page} ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VEXEL_SOURCE_DATE_EPOCH}
                sh -c "\"$0\" < \"$1\" > \"$2\"" ${VEXEL_SCDOC} ${page}.scd ${page}
        ${compress}
        DEPENDS ${page}.scd
        COMMENT "Manual page ${target}(1)"
        VERBATIM)
    add_custom_target(${target}-manpage ALL DEPENDS ${page}.gz)

    install(TARGETS ${target})
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    set_property(GLOBAL APPEND PROPERTY VEXEL_PROGRAMS ${target})
endfunction()
