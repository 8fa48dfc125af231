# Lays the data folders beside the program exactly as the repository holds them: a file taken
# out of the repository leaves the build too, so an old build tree cannot test a stale file.
# Help is only added to: the built help files land there as well.
#   cmake -DSOURCE=<resources/install> -DDEST=<bin> -P MirrorLayout.cmake
cmake_minimum_required(VERSION 3.20)
foreach(dir Icons Languages Sounds)
  file(GLOB_RECURSE wanted RELATIVE ${SOURCE}/${dir} LIST_DIRECTORIES false ${SOURCE}/${dir}/*)
  file(GLOB_RECURSE present RELATIVE ${DEST}/${dir} LIST_DIRECTORIES false ${DEST}/${dir}/*)
  foreach(f IN LISTS present)
    if(NOT f IN_LIST wanted)
      file(REMOVE ${DEST}/${dir}/${f})
    endif()
  endforeach()
  # Folders left empty by the removals (an icon set taken out) go as well.
  file(GLOB_RECURSE folders LIST_DIRECTORIES true ${DEST}/${dir}/*)
  list(SORT folders ORDER DESCENDING)
  foreach(d IN LISTS folders)
    if(IS_DIRECTORY ${d})
      file(GLOB inside ${d}/*)
      string(REPLACE "${DEST}/${dir}/" "" rel "${d}")
      if(NOT inside AND NOT IS_DIRECTORY ${SOURCE}/${dir}/${rel})
        file(REMOVE_RECURSE ${d})
      endif()
    endif()
  endforeach()
endforeach()
# Copying keeps time stamps and skips files that are already there with the same stamp.
file(COPY ${SOURCE}/ DESTINATION ${DEST})
