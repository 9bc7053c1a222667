-- A smoke session from Neovim, after editors/neovim/loopcost.lua (the
-- README's snippet) has started the server for the .lc file opened: waits
-- for the diagnostics, hovers, fixes the error, formats, and prints what it
-- saw on standard output; then waits for the code lens and asks for the
-- folding ranges.
local out = {}
local function say(text) out[#out + 1] = text end
local function finish(status)
  io.stdout:write(table.concat(out, '\n') .. '\n')
  vim.cmd(status == 0 and 'qa!' or 'cq!')
end
local function wait(what, test)
  if not vim.wait(10000, test, 20) then
    say('timed out waiting for ' .. what)
    finish(1)
  end
end

local function session()
say('filetype: ' .. vim.bo.filetype)
wait('diagnostics', function() return #vim.diagnostic.get(0) > 0 end)
for _, d in ipairs(vim.diagnostic.get(0)) do
  say(string.format('diagnostic %d:%d-%d:%d %s: %s', d.lnum, d.col, d.end_lnum, d.end_col, d.source, d.message))
end

local function hover(line, character)
  local params = { textDocument = vim.lsp.util.make_text_document_params(), position = { line = line, character = character } }
  local results = vim.lsp.buf_request_sync(0, 'textDocument/hover', params, 5000) or {}
  for _, r in pairs(results) do
    if r.result then return r.result.contents.value end
  end
  return 'no hover'
end

-- the typo on line 3 (0-based 2), fixed as if typed: an incremental change
vim.api.nvim_buf_set_text(0, 2, 12, 2, 13, { 'd' })
wait('the diagnostics to clear', function() return #vim.diagnostic.get(0) == 0 end)
say('after the fix: ' .. #vim.diagnostic.get(0) .. ' diagnostics')
say('hover: ' .. hover(2, 4):gsub('\n+', ' | '))

if vim.lsp.buf.format then
  vim.lsp.buf.format({ timeout_ms = 5000 })
else
  vim.lsp.buf.formatting_sync(nil, 5000)
end
say('formatted:')
for _, line in ipairs(vim.api.nvim_buf_get_lines(0, 0, -1, false)) do say(line) end

-- the lens above the loop, as the snippet's on_attach has it refreshed
local function lenses()
  local titles = {}
  for _, lens in ipairs(vim.lsp.codelens.get(0)) do
    if lens.command then titles[#titles + 1] = lens.range.start.line .. ': ' .. lens.command.title end
  end
  return table.concat(titles, ', ')
end
vim.lsp.codelens.refresh()
wait('the code lens of the fixed program', function() return lenses():find('%%') ~= nil end)
say('code lens: ' .. lenses())

local params = { textDocument = vim.lsp.util.make_text_document_params() }
for _, r in pairs(vim.lsp.buf_request_sync(0, 'textDocument/foldingRange', params, 5000) or {}) do
  for _, fold in ipairs(r.result or {}) do say(string.format('fold: lines %d to %d', fold.startLine, fold.endLine)) end
end
end

local ok, failure = pcall(session)
if not ok then say('failed: ' .. tostring(failure)) end
finish(ok and 0 or 1)
