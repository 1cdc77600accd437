# Test machinery: GoogleTest built with the cross compiler, every test run under
# Wine in a private prefix, and the loopback services the tests talk to.

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  find_program(WINE_LOADER wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  set(TARNIX_WINEARCH win64)
else()
  find_program(WINE_LOADER wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
  set(TARNIX_WINEARCH win32)
endif()
if(NOT WINE_LOADER)
  message(FATAL_ERROR "Wine for ${CMAKE_SYSTEM_PROCESSOR} not found; run tools/setup-debian.sh")
endif()
set(TARNIX_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run.sh ${TARNIX_WINE_DIR} ${WINE_LOADER})

# Where the services keep their files, as Linux paths and as the tests see them.
set(TARNIX_SERVICE_ROOT ${CMAKE_BINARY_DIR}/service)
set(TARNIX_NGINX_ROOT ${CMAKE_BINARY_DIR}/nginx)
function(tarnix_windows_path out unix_path)
  string(REPLACE "/" "\\" p "${unix_path}")
  set(${out} "Z:${p}" PARENT_SCOPE)
endfunction()
tarnix_windows_path(TARNIX_SERVICE_ROOT_WIN ${TARNIX_SERVICE_ROOT})
tarnix_windows_path(TARNIX_NGINX_ROOT_WIN ${TARNIX_NGINX_ROOT})

find_program(PYTHON3 python3 REQUIRED)

# tarnix_fixture(name TIMEOUT s START command... STOP command...): a CTest fixture whose
# setup test runs the START command and whose cleanup test runs the STOP command.
function(tarnix_fixture name)
  cmake_parse_arguments(F "" "TIMEOUT" "START;STOP" ${ARGN})
  add_test(NAME fixture.${name}.start COMMAND ${F_START})
  add_test(NAME fixture.${name}.stop COMMAND ${F_STOP})
  set_tests_properties(fixture.${name}.start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT ${F_TIMEOUT})
  set_tests_properties(fixture.${name}.stop PROPERTIES FIXTURES_CLEANUP ${name})
endfunction()

set(wine_env ${CMAKE_SOURCE_DIR}/tools/wine-env.sh)
tarnix_fixture(wine TIMEOUT 300
  START ${wine_env} start ${TARNIX_WINE_DIR} ${WINE_LOADER} ${TARNIX_WINEARCH}
  STOP ${wine_env} stop ${TARNIX_WINE_DIR} ${WINE_LOADER} ${TARNIX_WINEARCH})

set(service_ctl ${CMAKE_SOURCE_DIR}/tools/service-ctl.sh)
tarnix_fixture(service TIMEOUT 30
  START ${service_ctl} start ${TARNIX_SERVICE_ROOT}/service.pid ${TARNIX_SERVICE_ROOT}/service.log
        ${TARNIX_SERVICE_PORT} ${PYTHON3} ${CMAKE_SOURCE_DIR}/tools/local_service.py
        --port ${TARNIX_SERVICE_PORT} --root ${TARNIX_SERVICE_ROOT}
  STOP ${service_ctl} stop ${TARNIX_SERVICE_ROOT}/service.pid)

find_program(NGINX nginx PATHS /usr/sbin)
set(nginx_ctl ${CMAKE_SOURCE_DIR}/tools/nginx-ctl.sh)
tarnix_fixture(nginx TIMEOUT 30
  START ${nginx_ctl} start ${NGINX} ${TARNIX_NGINX_ROOT} ${TARNIX_NGINX_PORT}
  STOP ${nginx_ctl} stop ${NGINX} ${TARNIX_NGINX_ROOT} ${TARNIX_NGINX_PORT})

# tarnix_add_test(NAME name TARGET exe [FIXTURES service nginx ...] [TIMEOUT s] [ENV K=V ...])
# Runs a test executable under Wine. Every test sees where the services listen.
function(tarnix_add_test)
  cmake_parse_arguments(T "" "NAME;TARGET;TIMEOUT" "FIXTURES;ENV;ARGS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_TARGET} ${T_ARGS})
  set(env
      TARNIX_SERVICE_PORT=${TARNIX_SERVICE_PORT}
      TARNIX_SERVICE_ROOT=${TARNIX_SERVICE_ROOT_WIN}
      TARNIX_NGINX_PORT=${TARNIX_NGINX_PORT}
      TARNIX_NGINX_ROOT=${TARNIX_NGINX_ROOT_WIN}
      TARNIX_REFUSED_PORT=${TARNIX_REFUSED_PORT}
      ${T_ENV})
  set_tests_properties(${T_NAME} PROPERTIES
      FIXTURES_REQUIRED "wine;${T_FIXTURES}"
      TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "${env}")
endfunction()
