# Every target of ours gets the same warning set through this interface library. Qt's headers come in
# as system headers, so the stricter conversion and shadowing checks apply to our code only.
add_library(yeroup_warnings INTERFACE)
target_compile_options(yeroup_warnings INTERFACE
  -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
if(YEROUP_WERROR)
  target_compile_options(yeroup_warnings INTERFACE -Werror)
endif()
