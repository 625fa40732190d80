# zel_split_debug_info(target): after each link, moves the target's debug
# information into <file>.debug beside it and leaves a link to it (on Windows
# no link, see below), so what packages carry is small while debuggers still
# find the symbols.
function(zel_split_debug_info target)
  if(NOT CMAKE_OBJCOPY)
    return()
  endif()
  if(WIN32)
    # A PE keeps its symbols and long section names (such as a debug link's)
    # in a table after its sections, where a package would follow the image:
    # Windows executables keep nothing of the kind. Debuggers take the
    # symbols from <file>.debug when told to (gdb: symbol-file).
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
      COMMAND ${CMAKE_OBJCOPY} --strip-all $<TARGET_FILE:${target}>
      VERBATIM)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-debug --strip-unneeded
            --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug $<TARGET_FILE:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
