-- loopcost's language server for *.lc files, in Neovim 0.7 and later:
-- put this file in ~/.config/nvim/plugin/ (or paste it into init.lua).
vim.api.nvim_create_autocmd({ 'BufRead', 'BufNewFile' }, { pattern = '*.lc', command = 'setfiletype loopcost' })

local server = {
  name = 'loopcost',
  cmd = { 'loopcost', '--lsp' },
  init_options = { addCost = 1, mulCost = 1 }, -- what one '+' and one '*' cost
  on_attach = function(_, buffer)
    -- each loop's cost above it, kept as the text changes
    vim.api.nvim_create_autocmd({ 'BufEnter', 'CursorHold', 'InsertLeave' },
      { buffer = buffer, callback = function() vim.lsp.codelens.refresh() end })
    vim.lsp.codelens.refresh()
    vim.bo[buffer].omnifunc = 'v:lua.vim.lsp.omnifunc' -- keywords and the loop with <C-x><C-o>
    if vim.lsp.foldexpr then -- Neovim 0.11 and later fold the loops
      vim.wo.foldmethod = 'expr'
      vim.wo.foldexpr = 'v:lua.vim.lsp.foldexpr()'
    end
  end,
}

if vim.lsp.config then -- Neovim 0.11 and later
  vim.lsp.config('loopcost', vim.tbl_extend('force', server, { filetypes = { 'loopcost' } }))
  vim.lsp.enable('loopcost')
else
  vim.api.nvim_create_autocmd('FileType', {
    pattern = 'loopcost',
    callback = function(args)
      if vim.lsp.start then -- Neovim 0.8 to 0.10
        vim.lsp.start(server)
      else -- Neovim 0.7
        server.id = server.id or vim.lsp.start_client(server)
        vim.lsp.buf_attach_client(args.buf, server.id)
      end
    end,
  })
end
