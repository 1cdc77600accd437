# 64-bit Windows: the same code, for running the tests where the machine cannot
# execute 32-bit x86 code at all (then 32-bit Wine cannot start).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
