# The release this tree builds, read from the newest entry of CHANGELOG (in
# the Debian changelog form, shipped in the package as changelog.gz). Its
# version must be the project's. Its date is the release date the AppStream
# file shows and, unless SOURCE_DATE_EPOCH is set, the time every built file
# records (the manual pages' dates, the package's file times), so that two
# builds of one tree give the same bytes.
set(VEXEL_CHANGELOG ${PROJECT_SOURCE_DIR}/CHANGELOG)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VEXEL_CHANGELOG})

file(STRINGS ${VEXEL_CHANGELOG} vexel_changelog_head LIMIT_COUNT 1)
if(NOT vexel_changelog_head MATCHES "^vexel \\(([^)]+)\\) ")
    message(FATAL_ERROR "CHANGELOG must begin with an entry 'vexel (VERSION) ...'")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "The newest CHANGELOG entry is ${CMAKE_MATCH_1}, the project ${PROJECT_VERSION}: "
                        "add an entry for ${PROJECT_VERSION}")
endif()

file(STRINGS ${VEXEL_CHANGELOG} vexel_changelog_trailer REGEX "^ -- .+>  " LIMIT_COUNT 1)
string(REGEX REPLACE "^ -- .+>  " "" vexel_changelog_date "${vexel_changelog_trailer}")
execute_process(COMMAND date -u -d "${vexel_changelog_date}" +%s
                OUTPUT_VARIABLE vexel_release_epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE vexel_date_failed)
if(vexel_date_failed OR NOT vexel_release_epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "The newest CHANGELOG entry's date '${vexel_changelog_date}' does not read as a date")
endif()
execute_process(COMMAND date -u -d @${vexel_release_epoch} +%Y-%m-%d
                OUTPUT_VARIABLE VEXEL_RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE)

if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(VEXEL_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
    set(VEXEL_SOURCE_DATE_EPOCH ${vexel_release_epoch})
endif()
