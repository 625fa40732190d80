# zel_embed_resource(<target> <symbol> <file>)
# Compiles <file> into <target> as `extern const std::string_view <symbol>;`
# (namespace zel::resources), so page-side scripts live in real .js files.
function(zel_embed_resource target symbol file)
  get_filename_component(abs "${file}" ABSOLUTE)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DINPUT=${abs} -DOUTPUT=${out} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResourceGen.cmake
    DEPENDS "${abs}" ${PROJECT_SOURCE_DIR}/cmake/EmbedResourceGen.cmake
    COMMENT "Embedding ${file}")
  target_sources(${target} PRIVATE "${out}")
endfunction()

# zel_embed_resource_set(<target> <symbol> <glob>)
# Compiles every file that <glob> matches (in name order) into <target> as
# `extern const std::span<const std::string_view> <symbol>;`, so a folder of
# data files is compiled in and adding a file adds an entry.
function(zel_embed_resource_set target symbol pattern)
  file(GLOB inputs CONFIGURE_DEPENDS "${pattern}")
  list(SORT inputs)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp")
  set(list_file "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.inputs")
  string(REPLACE ";" "\n" lines "${inputs}")
  file(WRITE "${list_file}" "${lines}")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DINPUTS=${list_file} -DOUTPUT=${out} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResourceSetGen.cmake
    DEPENDS ${inputs} "${list_file}" ${PROJECT_SOURCE_DIR}/cmake/EmbedResourceSetGen.cmake
    COMMENT "Embedding ${pattern}")
  target_sources(${target} PRIVATE "${out}")
endfunction()
