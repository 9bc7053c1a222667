# The README's editor snippets are the files under editors/, word for word:
# the Neovim one is what the lsp-neovim test runs.
file(READ ${SOURCE}/README.md readme)
foreach(snippet neovim/loopcost.lua helix/languages.toml emacs/loopcost.el)
  file(READ ${SOURCE}/editors/${snippet} text)
  string(FIND "${readme}" "${text}" at)
  if(at LESS 0)
    message(FATAL_ERROR "README.md does not show editors/${snippet} as it is")
  endif()
endforeach()
message(STATUS "README shows the editor snippets as they are")
