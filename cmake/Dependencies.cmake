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
configure_file(${LORVANE_LIBPNG_SOURCE_DIR}/scripts/pnglibconf.h.prebuilt ${png_gen}/pnglibconf.h COPYONLY)
foreach(h png.h pngconf.h)
  configure_file(${LORVANE_LIBPNG_SOURCE_DIR}/${h} ${png_gen}/${h} COPYONLY)
endforeach()
set(png_sources png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c
    pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c)
list(TRANSFORM png_sources PREPEND ${LORVANE_LIBPNG_SOURCE_DIR}/)
add_library(png_static STATIC ${png_sources})
target_include_directories(png_static PUBLIC ${png_gen} PRIVATE ${LORVANE_LIBPNG_SOURCE_DIR})
target_link_libraries(png_static PUBLIC zlib_static)
# Sections per function: the program links only the read side it uses.
target_compile_options(png_static PRIVATE -w -ffunction-sections -fdata-sections)

set(LORVANE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${LORVANE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/deps/googletest EXCLUDE_FROM_ALL)
