# Read by cpack before it builds the package: the release's time for every
# time the package records.
set(ENV{SOURCE_DATE_EPOCH} ${CPACK_VEXEL_SOURCE_DATE_EPOCH})
