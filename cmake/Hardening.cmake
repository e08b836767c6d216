# Release builds are hardened the way Debian builds its packages: the flags
# dpkg-buildflags gives with every hardening feature on (stack protector,
# fortified C library calls, format checks, relocations read-only and bound
# at start-up; the compiler makes position-independent executables by
# default), less its optimisation and debug flags, which the build type sets.
# The sanitizer builds turn it off (-DVEXEL_HARDENING=OFF): fortified calls
# would go round AddressSanitizer's checks of the same accesses.
option(VEXEL_HARDENING "Harden release builds with the flags of dpkg-buildflags" ON)
set(VEXEL_HARDENED OFF)

if(VEXEL_HARDENING AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
    find_program(VEXEL_DPKG_BUILDFLAGS dpkg-buildflags)
    if(NOT VEXEL_DPKG_BUILDFLAGS)
        message(WARNING "dpkg-buildflags (package dpkg-dev) is missing: this release build is not hardened")
        return()
    endif()
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                                ${VEXEL_DPKG_BUILDFLAGS} --get ${kind}
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                        COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        list(FILTER flags EXCLUDE REGEX "^-[Og]")
        set(vexel_hardening_${kind} ${flags})
    endforeach()
    # dpkg-buildflags maps the source folder to "." in debug information and
    # file names; the build folder too (the later mapping wins for files
    # under both), so that the programs do not name the build folder. They
    # still depend on its depth: moc's generated files climb from there to
    # the sources with "../".
    add_compile_options(${vexel_hardening_CPPFLAGS} ${vexel_hardening_CXXFLAGS}
                        -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
    set(VEXEL_HARDENED ON)
    add_link_options(${vexel_hardening_LDFLAGS})
endif()
