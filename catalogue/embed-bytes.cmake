# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DNAMESPACE=<ns> -DSYMBOL=<name> -P embed-bytes.cmake
# Writes a C++ source defining `std::string_view <ns>::<name>()` over the
# bytes of INPUT (empty when INPUT does not exist yet).
set(bytes "")
if(EXISTS "${INPUT}")
  file(READ "${INPUT}" hex HEX)
  # 16 bytes a line (CMake's regular expressions have no repeat counts).
  string(REGEX REPLACE "(................................)" "\\1\n    " hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
endif()
set(content "// Generated from ${INPUT}; do not edit.
#include <string_view>

namespace ${NAMESPACE} {

namespace {
constexpr char Data[] = {
    ${bytes}'\\0'};
}  // namespace

std::string_view ${SYMBOL}()
{
    return {Data, sizeof(Data) - 1};
}

}  // namespace ${NAMESPACE}
")
# Rewrite only on change, so dependants are not rebuilt for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${content}")
