" Filetype detection for Lumo programs and KORU assembly.
autocmd BufRead,BufNewFile *.lumo setfiletype lumo
autocmd BufRead,BufNewFile *.koru setfiletype koru
" An .asm file could be any assembly language: lumoc's output is recognised by the
" banner on its first line, and then overrides the generic choice.
autocmd BufRead,BufNewFile *.asm if getline(1) =~# '^\* The KORU ' | set filetype=koru | endif
