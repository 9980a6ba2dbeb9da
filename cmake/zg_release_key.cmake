# The publisher's public key, which setup writes as ReleaseKey so that the
# self-updater installs only signed releases: 128 hexadecimal digits, X then Y.
# A release build names the publisher's key; otherwise this build tree makes a
# throwaway key pair once (release-key.pem, never in the sources) so that the
# tests and the demo can sign releases the installed product accepts.
#   ZG_RELEASE_PUBLIC_KEY_HEX  the key setup writes (after this file runs)
#   ZG_RELEASE_PRIVATE_KEY     the throwaway private key, or empty
set(ZG_RELEASE_PUBLIC_KEY "" CACHE STRING
    "Publisher's release public key (128 hex digits, X then Y); empty: a throwaway key of this build tree")

set(ZG_RELEASE_PRIVATE_KEY "")
if(ZG_RELEASE_PUBLIC_KEY)
  set(ZG_RELEASE_PUBLIC_KEY_HEX "${ZG_RELEASE_PUBLIC_KEY}")
else()
  set(ZG_RELEASE_PRIVATE_KEY ${CMAKE_BINARY_DIR}/release-key.pem)
  set(release_tool ${CMAKE_SOURCE_DIR}/tools/release)
  if(EXISTS ${ZG_RELEASE_PRIVATE_KEY})
    set(key_command pubkey)
  else()
    set(key_command keygen)
  endif()
  execute_process(
    COMMAND /usr/bin/python3 ${release_tool} ${key_command} ${ZG_RELEASE_PRIVATE_KEY}
    OUTPUT_VARIABLE ZG_RELEASE_PUBLIC_KEY_HEX
    ERROR_VARIABLE key_error
    RESULT_VARIABLE key_result
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT key_result EQUAL 0)
    message(FATAL_ERROR "tools/release ${key_command} failed (tools/bootstrap installs python3-cryptography): ${key_error}")
  endif()
endif()
string(TOUPPER "${ZG_RELEASE_PUBLIC_KEY_HEX}" ZG_RELEASE_PUBLIC_KEY_HEX)
if(NOT ZG_RELEASE_PUBLIC_KEY_HEX MATCHES "^[0-9A-F]+$")
  message(FATAL_ERROR "ZG_RELEASE_PUBLIC_KEY must be hexadecimal: '${ZG_RELEASE_PUBLIC_KEY_HEX}'")
endif()
string(LENGTH "${ZG_RELEASE_PUBLIC_KEY_HEX}" key_length)
if(NOT key_length EQUAL 128)
  message(FATAL_ERROR "ZG_RELEASE_PUBLIC_KEY must have 128 hex digits, not ${key_length}")
endif()
