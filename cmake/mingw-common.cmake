# Debian's mingw-w64 cross compilers (posix thread model); TOOLCHAIN_PREFIX is set by the caller.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
find_program(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
find_program(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
if(NOT CMAKE_C_COMPILER OR NOT CMAKE_CXX_COMPILER OR NOT CMAKE_RC_COMPILER)
  message(FATAL_ERROR "${TOOLCHAIN_PREFIX} posix compilers or windres not found; run tools/setup-debian.sh")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
