# Compiler warnings for every target of ours. RS5_WERROR turns them into errors; it is on by default when the
# environment says CI=true (as the CI machine does), so a warning fails the build there instead of scrolling by.
# Sources that are not ours and are built inside the tree (Debian's googletest sources in the cross build) get
# -Wno-error where they are added (cmake/Rs5Testing.cmake).
set(rs5_werror_default OFF)
if("$ENV{CI}")
  set(rs5_werror_default ON)
endif()
option(RS5_WERROR "Treat compiler warnings as errors (on by default when CI=true)" ${rs5_werror_default})
unset(rs5_werror_default)

add_compile_options(-Wall -Wextra)
if(RS5_WERROR)
  add_compile_options(-Werror)
  # GCC 12 reports -Wrestrict inside std::string's inlined copies where nothing can overlap (GCC bug 105651,
  # e.g. for (cond ? "" : "|") + std::string(...) at -O3, as in the MinGW-w64 Release build): still shown,
  # never an error.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    add_compile_options(-Wno-error=restrict)
  endif()
endif()
