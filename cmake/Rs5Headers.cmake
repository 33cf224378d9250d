# Every header is included by its path from the repository root ("store/MeasurementTable.h"), and a target sees
# only the headers of the targets it links. For that each target gets an include root of its own in the build
# tree, holding only its headers under their repository paths, as links to the real files (editing stays in the
# source tree); a target's root reaches those who link it like any other usage requirement.
#
# rs5_target_headers(<target> [HEADERS <header> ...])
#   Without HEADERS: every .h in the calling folder and its subfolders, except in subfolders with a
#   CMakeLists.txt of their own (another target's). Folders with several targets name each one's headers.
#   Headers are given relative to the calling folder or as absolute paths. Several calls for one target add up.
set(RS5_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include)

function(rs5_target_headers target)
  cmake_parse_arguments(H "" "" "HEADERS" ${ARGN})
  if(NOT H_HEADERS)
    file(GLOB_RECURSE H_HEADERS CONFIGURE_DEPENDS LIST_DIRECTORIES false RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
         ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    file(GLOB_RECURSE own_lists LIST_DIRECTORIES false RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
         ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
    foreach(list IN LISTS own_lists)
      get_filename_component(other ${list} DIRECTORY)
      list(FILTER H_HEADERS EXCLUDE REGEX "^${other}/")
    endforeach()
  endif()

  set(root ${RS5_INCLUDE_ROOTS}/${target})
  # The first call in a configure run starts the root afresh, so that a header moved elsewhere leaves no link.
  get_property(started GLOBAL PROPERTY RS5_INCLUDE_ROOT_${target})
  if(NOT started)
    file(REMOVE_RECURSE ${root})
    set_property(GLOBAL PROPERTY RS5_INCLUDE_ROOT_${target} TRUE)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      target_include_directories(${target} INTERFACE ${root})
    elseif(type STREQUAL "EXECUTABLE")
      target_include_directories(${target} PRIVATE ${root})
    else()
      target_include_directories(${target} PUBLIC ${root})
    endif()
  endif()

  foreach(header IN LISTS H_HEADERS)
    get_filename_component(real ${header} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    if(NOT EXISTS ${real})
      message(FATAL_ERROR "rs5_target_headers(${target}): no header ${real}")
    endif()
    file(RELATIVE_PATH path ${PROJECT_SOURCE_DIR} ${real})
    if(path MATCHES "^\\.\\./")
      message(FATAL_ERROR "rs5_target_headers(${target}): ${real} lies outside the repository")
    endif()
    get_filename_component(folder ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${real} ${root}/${path} SYMBOLIC COPY_ON_ERROR)
    if(NOT IS_SYMLINK ${root}/${path})
      # A copy (no symbolic links here): an edit of the header must copy it again.
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${real})
    endif()
  endforeach()
endfunction()
