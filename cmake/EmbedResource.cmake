# kdx_embed_resource(target file symbol): compiles the bytes of file into
# target as `extern const unsigned char symbol[]` and `symbol_size`, for data
# the portable core needs without Qt's resource system.
function(kdx_embed_resource target file symbol)
  file(READ ${file} hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embedded_${symbol}.cpp)
  file(WRITE ${out}.tmp
       "#include <cstddef>\nextern const unsigned char ${symbol}[] = {${bytes}};\n"
       "extern const std::size_t ${symbol}_size = ${size};\n")
  file(COPY_FILE ${out}.tmp ${out} ONLY_IF_DIFFERENT)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  target_sources(${target} PRIVATE ${out})
endfunction()
