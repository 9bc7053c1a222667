-- loopcost's language server for *.lc files, in Neovim 0.7 and later:
-- put this file in ~/.config/nvim/plugin/ (or paste it into init.lua).
vim.api.nvim_create_autocmd({ 'BufRead', 'BufNewFile' }, { pattern = '*.lc', command = 'setfiletype loopcost' })

local server = {
  name = 'loopcost',
  cmd = { 'loopcost', '--lsp' },
  init_options = { addCost = 1, mulCost = 1 }, -- what one '+' and one '*' cost
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
