file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" len)
math(EXPR size "${len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE "${OUTPUT}"
"#include <string_view>\nnamespace zel::resources {\nstatic const char ${SYMBOL}_data[] = {${bytes} 0};\nextern const std::string_view ${SYMBOL}(${SYMBOL}_data, ${size});\n}\n")
