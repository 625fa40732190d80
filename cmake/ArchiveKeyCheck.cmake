# zel_check_archive_key(<encoded text> <key>)
# Stops the configuration with a clear message when the archive key pair
# cannot be built in or would not give the password it was made from: the
# text is compiled into a C++ string literal and printed inside single
# quotes by `zel key --encode`, so it holds printable ASCII characters other
# than the blank, '"', '\' and "'"; the key holds capital letters A to Z.
# Run as a script (cmake -DZEL_ARCHIVE_ENCODED_TEXT=... -DZEL_ARCHIVE_KEY=...
# -P ArchiveKeyCheck.cmake) it checks the pair given.
function(zel_check_archive_key text key)
  set(problem "")
  if(text STREQUAL "")
    set(problem "ZEL_ARCHIVE_ENCODED_TEXT is empty")
  elseif(NOT text MATCHES "^[!-~]+$")
    set(problem "ZEL_ARCHIVE_ENCODED_TEXT holds a blank or a character outside ASCII")
  else()
    foreach(character "\"" "\\" "'")
      string(FIND "${text}" "${character}" at)
      if(NOT at EQUAL -1)
        set(problem "ZEL_ARCHIVE_ENCODED_TEXT holds the character ${character}")
        break()
      endif()
    endforeach()
  endif()
  if(problem STREQUAL "" AND NOT key MATCHES "^[A-Z]+$")
    set(problem "ZEL_ARCHIVE_KEY must be capital letters A to Z, at least one")
  endif()
  if(NOT problem STREQUAL "")
    message(FATAL_ERROR "${problem}. The encoded text may hold ASCII letters, digits and "
                        "punctuation except \" \\ and '; `zel key --encode` prints a valid pair.")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  zel_check_archive_key("${ZEL_ARCHIVE_ENCODED_TEXT}" "${ZEL_ARCHIVE_KEY}")
endif()
