# The one version of the program (the project's VERSION), shown by --version of every executable and given to
# the package. Targets that print it link rs5_version and include "Rs5Version.h".
configure_file(${CMAKE_CURRENT_LIST_DIR}/Rs5Version.h.in ${CMAKE_BINARY_DIR}/generated/Rs5Version.h @ONLY)
add_library(rs5_version INTERFACE)
target_include_directories(rs5_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
