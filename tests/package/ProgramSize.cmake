# Fails when the release program grows past its bound: a new dependency or a library piece
# pulled in by one call shows up here first (a linker map tells which: -Wl,-Map).
file(SIZE ${PROGRAM} size)
math(EXPR kib "${size} / 1024")
message("${PROGRAM}: ${kib} KiB (bound ${BOUND_KIB} KiB)")
if(kib GREATER BOUND_KIB)
  message(FATAL_ERROR "the program is ${kib} KiB, more than ${BOUND_KIB} KiB")
endif()
