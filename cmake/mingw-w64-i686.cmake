# Cross build for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686-posix). Its tests
# would need Wine's 32-bit half, which the test environment does not install.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
