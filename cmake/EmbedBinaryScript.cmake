file (READ "${INPUT}" hex HEX)
string (LENGTH "${hex}" hexLength)
math (EXPR byteCount "${hexLength} / 2")
string (REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string (REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
file (WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT}; do not edit.
#include \"${HEADER}\"

namespace ${NAMESPACE}
{
const unsigned char ${ARRAY}[] = {
    ${bytes}
};
const int ${SIZE} = ${byteCount};
}
")
file (RENAME "${OUTPUT}.tmp" "${OUTPUT}")
