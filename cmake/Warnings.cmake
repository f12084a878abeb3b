# Every target of ours gets the same warning set through this interface library.
add_library(yeroup_warnings INTERFACE)
target_compile_options(yeroup_warnings INTERFACE -Wall -Wextra)
if(YEROUP_WERROR)
  target_compile_options(yeroup_warnings INTERFACE -Werror)
endif()
