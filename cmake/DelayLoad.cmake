# Delay-loaded system DLLs. lorvane_delay_load(TARGET dll...) links TARGET against import
# libraries whose thunks load the DLL at its first call (through the runtime's
# __delayLoadHelper2), so that a DLL the program may never need costs it nothing at start:
# no mapping, no initialisation, none of the libraries that DLL pulls in after it.
# The libraries are named like the system's (libNAME.a) and stand in a folder searched
# before the system's, so every -lNAME of TARGET's link finds them whoever asked for it.
# The symbol list comes from the system import library itself.

if(CMAKE_SCRIPT_MODE_FILE)
  # Script mode: writes the module definition file DEF for DLL from the symbols of IMPLIB.
  execute_process(COMMAND ${NM} -g --defined-only ${IMPLIB} OUTPUT_VARIABLE symbols
                  COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "[0-9a-fA-F]+ T [A-Za-z0-9_@?$]+" lines "${symbols}")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" name "${line}")
    if(NOT name MATCHES "^_")
      list(APPEND names "${name}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(SORT names)
  list(JOIN names "\n" body)
  file(WRITE ${DEF} "LIBRARY ${DLL}.dll\nEXPORTS\n${body}\n")
  return()
endif()

function(lorvane_delay_load target)
  set(dir ${CMAKE_BINARY_DIR}/delayload/${target})
  set(libs "")
  foreach(dll IN LISTS ARGN)
    find_library(LORVANE_IMPORT_${dll} NAMES ${dll} REQUIRED NO_CACHE)
    set(def ${dir}/${dll}.def)
    set(lib ${dir}/lib${dll}.a)
    add_custom_command(
      OUTPUT ${lib}
      COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DIMPLIB=${LORVANE_IMPORT_${dll}} -DDLL=${dll} -DDEF=${def}
              -P ${CMAKE_SOURCE_DIR}/cmake/DelayLoad.cmake
      COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib ${lib} --dllname ${dll}.dll
      DEPENDS ${LORVANE_IMPORT_${dll}} ${CMAKE_SOURCE_DIR}/cmake/DelayLoad.cmake
      COMMENT "Delay-load import library for ${dll}.dll"
      VERBATIM)
    list(APPEND libs ${lib})
  endforeach()
  add_custom_target(${target}_delay_load DEPENDS ${libs})
  add_dependencies(${target} ${target}_delay_load)
  target_link_directories(${target} BEFORE PRIVATE ${dir})
  # A changed list relinks the program.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${libs})
endfunction()
