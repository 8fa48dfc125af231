# zlib comes from libz-mingw-w64-dev; libpng is built here from Debian's source package;
# GoogleTest from the sources that Debian's googletest package installs.
find_library(LORVANE_ZLIB NAMES libz.a z REQUIRED)
find_path(LORVANE_ZLIB_INCLUDE zlib.h REQUIRED)
add_library(zlib_static STATIC IMPORTED GLOBAL)
set_target_properties(zlib_static PROPERTIES IMPORTED_LOCATION ${LORVANE_ZLIB}
                      INTERFACE_INCLUDE_DIRECTORIES ${LORVANE_ZLIB_INCLUDE})

set(LORVANE_LIBPNG_SOURCE_DIR "${CMAKE_BINARY_DIR}/deps/libpng-src" CACHE PATH
    "Unpacked libpng1.6 sources (tools/bootstrap fetches them)")
if(NOT EXISTS ${LORVANE_LIBPNG_SOURCE_DIR}/png.c)
  message(FATAL_ERROR "libpng sources not found in ${LORVANE_LIBPNG_SOURCE_DIR}; run tools/bootstrap")
endif()
set(png_gen ${CMAKE_BINARY_DIR}/deps/png-include)
foreach(h png.h pngconf.h)
  configure_file(${LORVANE_LIBPNG_SOURCE_DIR}/${h} ${png_gen}/${h} COPYONLY)
endforeach()
# pnglibconf.h from libpng's own option scripts with cmake/PngReadOnly.dfa on top: a
# read-only library, so neither the PNG writer nor zlib's deflate end up in the program.
set(png_dfa ${CMAKE_SOURCE_DIR}/cmake/PngReadOnly.dfa)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${png_dfa})
set(png_conf ${CMAKE_BINARY_DIR}/deps/png-conf)
file(MAKE_DIRECTORY ${png_conf})
set(png_scripts ${LORVANE_LIBPNG_SOURCE_DIR}/scripts)
execute_process(
  COMMAND awk -f ${png_scripts}/options.awk out=pnglibconf.pre version=search
          ${LORVANE_LIBPNG_SOURCE_DIR}/pngconf.h ${png_scripts}/pnglibconf.dfa ${png_dfa}
  COMMAND_ERROR_IS_FATAL ANY WORKING_DIRECTORY ${png_conf} OUTPUT_QUIET)
execute_process(COMMAND awk -f ${png_scripts}/options.awk out=pnglibconf.dfn pnglibconf.pre
                COMMAND_ERROR_IS_FATAL ANY WORKING_DIRECTORY ${png_conf} OUTPUT_QUIET)
file(WRITE ${png_conf}/pnglibconf.c "#include \"pnglibconf.dfn\"\n")
execute_process(COMMAND ${CMAKE_C_COMPILER} -E -I${LORVANE_LIBPNG_SOURCE_DIR} pnglibconf.c
                OUTPUT_FILE pnglibconf.out COMMAND_ERROR_IS_FATAL ANY WORKING_DIRECTORY ${png_conf})
execute_process(COMMAND awk -f ${png_scripts}/dfn.awk out=pnglibconf.h pnglibconf.out
                COMMAND_ERROR_IS_FATAL ANY WORKING_DIRECTORY ${png_conf} OUTPUT_QUIET)
configure_file(${png_conf}/pnglibconf.h ${png_gen}/pnglibconf.h COPYONLY)
set(png_sources png.c pngerror.c pngget.c pngmem.c pngread.c pngrio.c pngrtran.c pngrutil.c pngset.c pngtrans.c)
list(TRANSFORM png_sources PREPEND ${LORVANE_LIBPNG_SOURCE_DIR}/)
add_library(png_static STATIC ${png_sources})
target_include_directories(png_static PUBLIC ${png_gen} PRIVATE ${LORVANE_LIBPNG_SOURCE_DIR})
target_link_libraries(png_static PUBLIC zlib_static)
target_compile_options(png_static PRIVATE -w ${LORVANE_LEAN_OPTIONS})

set(LORVANE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${LORVANE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/deps/googletest EXCLUDE_FROM_ALL)
