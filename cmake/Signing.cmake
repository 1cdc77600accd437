# Version resources and Authenticode signatures for executables the build makes.
# The signing certificate is a throwaway one, made in the build tree at build time.

find_program(OPENSSL openssl)
find_program(OSSLSIGNCODE osslsigncode)
set(TARNIX_SIGN_DIR ${CMAKE_BINARY_DIR}/signing)
set(TARNIX_SIGN_CERT ${TARNIX_SIGN_DIR}/cert.pem)
set(TARNIX_SIGN_KEY ${TARNIX_SIGN_DIR}/key.pem)
add_custom_command(
  OUTPUT ${TARNIX_SIGN_CERT} ${TARNIX_SIGN_KEY}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TARNIX_SIGN_DIR}
  COMMAND ${OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Tarnix Test Code Signing"
          -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning"
          -keyout ${TARNIX_SIGN_KEY} -out ${TARNIX_SIGN_CERT}
  COMMENT "Making a throwaway code-signing certificate"
  VERBATIM)
add_custom_target(signing_cert DEPENDS ${TARNIX_SIGN_CERT} ${TARNIX_SIGN_KEY})

# tarnix_version_resource(target PRODUCT a.b.c.d FILE e.f.g.h [NAME text])
# Gives target a VERSIONINFO resource with those product and file versions.
function(tarnix_version_resource target)
  cmake_parse_arguments(V "" "PRODUCT;FILE;NAME" "" ${ARGN})
  if(NOT V_FILE)
    set(V_FILE ${V_PRODUCT})
  endif()
  if(NOT V_NAME)
    set(V_NAME ${target})
  endif()
  string(REPLACE "." "," V_PRODUCT_COMMAS ${V_PRODUCT})
  string(REPLACE "." "," V_FILE_COMMAS ${V_FILE})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  file(CONFIGURE OUTPUT ${rc} CONTENT [[
#include <winver.h>
VS_VERSION_INFO VERSIONINFO
FILEVERSION @V_FILE_COMMAS@
PRODUCTVERSION @V_PRODUCT_COMMAS@
FILEFLAGSMASK 0x3fL
FILEFLAGS 0x0L
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
FILESUBTYPE 0x0L
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904b0"
    BEGIN
      VALUE "FileDescription", "@V_NAME@"
      VALUE "FileVersion", "@V_FILE@"
      VALUE "ProductName", "@V_NAME@"
      VALUE "ProductVersion", "@V_PRODUCT@"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1200
  END
END
]] @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# tarnix_sign(target OUTPUT path): signs target's executable into path after each build.
function(tarnix_sign target)
  cmake_parse_arguments(S "" "OUTPUT" "" ${ARGN})
  if(NOT OPENSSL OR NOT OSSLSIGNCODE)
    message(FATAL_ERROR "openssl and osslsigncode are needed; run tools/setup-debian.sh")
  endif()
  add_custom_command(
    OUTPUT ${S_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${S_OUTPUT}
    COMMAND ${OSSLSIGNCODE} sign -certs ${TARNIX_SIGN_CERT} -key ${TARNIX_SIGN_KEY}
            -n ${target} -in $<TARGET_FILE:${target}> -out ${S_OUTPUT}
    DEPENDS ${target} ${TARNIX_SIGN_CERT} ${TARNIX_SIGN_KEY}
    COMMENT "Signing ${target}"
    VERBATIM)
  add_custom_target(${target}_signed ALL DEPENDS ${S_OUTPUT})
endfunction()
