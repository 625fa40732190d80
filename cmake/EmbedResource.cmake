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
