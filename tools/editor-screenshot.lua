-- The look of the editor in docs/lsp-editor.png, loaded after
-- editors/neovim/loopcost.lua has started the server for the program opened:
-- draws the server's code lenses above their loops and its inlay hints at the
-- ends of lines, and once the diagnostics, the lenses and the hints are all on
-- the screen writes the terminal's window id to the file $EDITOR_PICTURE_READY
-- for tools/editor-screenshot.sh to take the picture (or a line that says what
-- never came, after 20 s), and quits when the script removes that file.
--
-- Neovim 0.7 shows a lens at the end of its line, where the hint of the same
-- LOOP goes, and has no inlay hints of its own: here both are drawn with
-- extmarks, a lens as a virtual line above its LOOP as VS Code shows it.
local ready_file = assert(os.getenv('EDITOR_PICTURE_READY'), 'EDITOR_PICTURE_READY is not set')
local buffer = vim.api.nvim_get_current_buf()
local lenses_ns = vim.api.nvim_create_namespace('editor_picture_lenses')
local hints_ns = vim.api.nvim_create_namespace('editor_picture_hints')

-- The colours: a light page, keywords and counts coloured, the server's
-- additions in greys and blue, the error in red.
vim.o.termguicolors = true
vim.o.background = 'light'
vim.cmd([[
  syntax keyword loopcostKeyword BEGIN LOOP END
  syntax match loopcostNumber "\<\d\+\>"
  highlight Normal guifg=#1f2328 guibg=#ffffff
  highlight loopcostKeyword gui=bold guifg=#8250df
  highlight loopcostNumber guifg=#0550ae
  highlight LineNr guifg=#8c959f guibg=#f6f8fa
  highlight SignColumn guibg=#f6f8fa
  highlight StatusLine gui=bold guifg=#ffffff guibg=#57606a
  highlight LspCodeLens gui=italic guifg=#0969da
  highlight LspInlayHint guifg=#6e7781 guibg=#eef1f4
  highlight DiagnosticError guifg=#cf222e
  highlight DiagnosticVirtualTextError guifg=#cf222e guibg=#ffebe9
  highlight DiagnosticUnderlineError gui=underline guisp=#cf222e
]])
vim.o.number = true
vim.o.signcolumn = 'yes'
vim.o.laststatus = 2
vim.o.showmode = false
vim.o.ruler = false
local version = vim.version()
vim.o.statusline = string.format(' %%f %%= Neovim %d.%d.%d with loopcost --lsp ', version.major, version.minor, version.patch)
vim.diagnostic.config({ virtual_text = { spacing = 2 } })

local lenses_shown, hints_shown = false, false

-- a lens as a line of its own above the LOOP, at the LOOP's indentation
vim.lsp.codelens.display = function(lenses, buf, _)
  vim.api.nvim_buf_clear_namespace(buf, lenses_ns, 0, -1)
  local resolved = 0
  for _, lens in ipairs(lenses or {}) do
    if lens.command then
      local line = lens.range.start.line
      local indent = vim.api.nvim_buf_get_lines(buf, line, line + 1, false)[1]:match('^%s*')
      vim.api.nvim_buf_set_extmark(buf, lenses_ns, line, 0, {
        virt_lines = { { { indent .. lens.command.title, 'LspCodeLens' } } },
        virt_lines_above = true,
      })
      resolved = resolved + 1
    end
  end
  lenses_shown = resolved > 0 and resolved == #lenses
end

local function label(hint)
  if type(hint.label) == 'string' then return hint.label end
  local parts = {}
  for _, part in ipairs(hint.label) do parts[#parts + 1] = part.value end
  return table.concat(parts)
end

local function show_hints(err, hints)
  if err or not hints then return end
  vim.api.nvim_buf_clear_namespace(buffer, hints_ns, 0, -1)
  for _, hint in ipairs(hints) do
    vim.api.nvim_buf_set_extmark(buffer, hints_ns, hint.position.line, 0, {
      virt_text = { { ' ' .. label(hint) .. ' ', 'LspInlayHint' } },
      virt_text_pos = 'eol',
    })
  end
  hints_shown = #hints > 0
end

local asked = false
local deadline = vim.loop.now() + 20000
local timer = vim.loop.new_timer()

-- says so, then quits once the picture is taken: when the file is gone
local function finish(line)
  timer:stop()
  vim.cmd('redraw!')
  local file = assert(io.open(ready_file, 'w'))
  file:write(line .. '\n')
  file:close()
  timer:start(100, 100, vim.schedule_wrap(function()
    if not vim.loop.fs_stat(ready_file) then vim.cmd('qa!') end
  end))
end

-- Polled, so that the screen is drawn between the server's answers.
local function poll()
  local _, client = next(vim.lsp.buf_get_clients(buffer))
  if client and client.initialized and not asked then
    asked = true
    vim.lsp.codelens.refresh()
    local lines = vim.api.nvim_buf_line_count(buffer)
    client.request('textDocument/inlayHint', {
      textDocument = vim.lsp.util.make_text_document_params(buffer),
      range = { start = { line = 0, character = 0 }, ['end'] = { line = lines, character = 0 } },
    }, show_hints, buffer)
  end
  local diagnostics = #vim.diagnostic.get(buffer) > 0
  if diagnostics and lenses_shown and hints_shown then
    -- the cursor at the start of the broken statement, off the underlined slip
    local line = vim.diagnostic.get(buffer)[1].lnum
    vim.api.nvim_win_set_cursor(0, { line + 1, #vim.api.nvim_buf_get_lines(buffer, line, line + 1, false)[1]:match('^%s*') })
    local window = os.getenv('WINDOWID')
    finish(window and 'window ' .. window or 'xterm gave no WINDOWID')
  elseif vim.loop.now() > deadline then
    finish(string.format('timed out: diagnostics %s, code lenses %s, inlay hints %s',
      diagnostics, lenses_shown, hints_shown))
  end
end

timer:start(100, 100, vim.schedule_wrap(poll))
