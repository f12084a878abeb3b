# Every target of ours gets the same warning set through this interface library. Qt's headers come in
# as system headers, so the stricter conversion and shadowing checks apply to our code only.
add_library(yeroup_warnings INTERFACE)
target_compile_options(yeroup_warnings INTERFACE
  -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual
  # A precompiled header the compiler cannot use for a unit is a slip in the build, not a slower unit.
  -Winvalid-pch)
# GCC cannot tell a unit's own anonymous types from a header's once the units of a batch are included into one
# (every type seems to come from a header), so in unity builds this warning would flag every fixture and helper.
if(YEROUP_UNITY_BUILD AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(yeroup_warnings INTERFACE -Wno-subobject-linkage)
endif()
if(YEROUP_WERROR)
  target_compile_options(yeroup_warnings INTERFACE -Werror)
endif()
