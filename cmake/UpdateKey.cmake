# vlmr_check_update_key(KEY): stops with an error unless KEY is empty or an Ed25519 public key
# as `vlmrcfg keygen` prints it: the base64 of exactly 32 bytes (43 characters and one "=",
# the last character carrying no bits beyond the 256).
function(vlmr_check_update_key key)
  if(key STREQUAL "")
    return()
  endif()
  string(LENGTH "${key}" length)
  if(NOT length EQUAL 44 OR NOT key MATCHES "^[A-Za-z0-9+/]+[AEIMQUYcgkosw048]=$")
    message(FATAL_ERROR "VLMR_UPDATE_PUBLIC_KEY is not an Ed25519 public key: it must be the "
                        "base64 of 32 bytes (44 characters ending in \"=\"), as `vlmrcfg keygen` "
                        "prints it")
  endif()
endfunction()

# Run as a script (cmake -DKEY=... -P UpdateKey.cmake): checks KEY.
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  vlmr_check_update_key("${KEY}")
endif()
