'use strict';
// Starts `loopcost --lsp` for loopcost documents. The client adds --stdio,
// which the server accepts; the settings loopcost.addCost, loopcost.mulCost,
// loopcost.codeLens and loopcost.inlayHints go as initializationOptions and,
// when changed, as workspace/didChangeConfiguration. Quick fixes, folding,
// highlights, selection ranges, code lenses, semantic tokens, completion and
// range formatting need nothing more: the client takes them as offered.
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function options() {
  const settings = vscode.workspace.getConfiguration('loopcost');
  return {
    addCost: settings.get('addCost'),
    mulCost: settings.get('mulCost'),
    codeLens: settings.get('codeLens'),
    inlayHints: settings.get('inlayHints'),
  };
}

async function activate(context) {
  const command = vscode.workspace.getConfiguration('loopcost').get('path') || 'loopcost';
  const serverOptions = { command, args: ['--lsp'], transport: TransportKind.stdio };
  const clientOptions = {
    documentSelector: [{ language: 'loopcost' }],
    initializationOptions: options(),
    synchronize: { configurationSection: 'loopcost' },
  };
  client = new LanguageClient('loopcost', 'loopcost', serverOptions, clientOptions);
  context.subscriptions.push(client);
  await client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
