# Read by cpack when it runs. Every package's description carries its own summary line; without this, CPack
# would put the project's summary in front of each.
unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
