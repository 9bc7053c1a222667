# The editor snippets of docs/lsp.md are the files under editors/, word for
# word: the Neovim one is what the lsp-neovim test runs.
file(READ ${SOURCE}/docs/lsp.md page)
foreach(snippet neovim/loopcost.lua helix/languages.toml emacs/loopcost.el)
  file(READ ${SOURCE}/editors/${snippet} text)
  string(FIND "${page}" "${text}" at)
  if(at LESS 0)
    message(FATAL_ERROR "docs/lsp.md does not show editors/${snippet} as it is")
  endif()
endforeach()
message(STATUS "docs/lsp.md shows the editor snippets as they are")
