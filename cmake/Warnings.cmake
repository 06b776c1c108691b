# Our own code builds warning-free; warnings are errors everywhere.
function(vialmark_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Werror)
endfunction()
