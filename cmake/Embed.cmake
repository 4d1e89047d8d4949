# Script mode: turns the file IN into a C++ source OUT defining SYMBOL.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REGEX REPLACE "('\\\\x[0-9a-f][0-9a-f]',){24}" "\\0\n" bytes "${bytes}")
file(WRITE ${OUT} "// Generated from ${IN}\n"
  "extern const char ${SYMBOL}[];\nextern const unsigned long ${SYMBOL}_size;\n"
  "const char ${SYMBOL}[] = {\n${bytes}'\\0'};\n"
  "const unsigned long ${SYMBOL}_size = ${size};\n")
