;; loopcost programs (*.lc) and their server, with eglot (built into Emacs 29)
(define-derived-mode loopcost-mode prog-mode "loopcost"
  "Major mode for loopcost programs."
  (setq-local font-lock-defaults '((("\\_<\\(BEGIN\\|END\\|LOOP\\)\\_>" . font-lock-keyword-face)))))
(add-to-list 'auto-mode-alist '("\\.lc\\'" . loopcost-mode))
(with-eval-after-load 'eglot
  (add-to-list 'eglot-server-programs
               '(loopcost-mode . ("loopcost" "--lsp" :initializationOptions (:addCost 1 :mulCost 1)))))
(add-hook 'loopcost-mode-hook #'eglot-ensure)
