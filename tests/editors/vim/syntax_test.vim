" Checks the Vim files in editors/vim: the file types are detected, and words of a
" sample Lumo program and of lumoc's assembly get the syntax groups meant for them.
" Run: vim -u NONE -i NONE -N -es -S tests/editors/vim/syntax_test.vim
" Exits with status 1 and lists the failures on standard error when a check fails.

if !has('syntax')
  call writefile(['SKIPPED: this vim has no syntax highlighting'], '/dev/stderr')
  qall!
endif

let s:here = expand('<sfile>:p:h')
let s:root = fnamemodify(s:here, ':h:h:h')
execute 'set runtimepath^=' . fnameescape(s:root . '/editors/vim')
filetype on
syntax on

let s:failures = []

" The syntax group at the first place where `pattern` matches, counted `offset`
" characters further.
function! s:GroupAt(pattern, offset) abort
  call cursor(1, 1)
  if search(a:pattern, 'cW') == 0
    return '(pattern not found)'
  endif
  return synIDattr(synID(line('.'), col('.') + a:offset, 1), 'name')
endfunction

function! s:Expect(file, checks) abort
  execute 'edit ' . fnameescape(a:file)
  for [pattern, offset, group] in a:checks
    let got = s:GroupAt(pattern, offset)
    if got !=# group
      call add(s:failures, printf('%s: %s (+%d): expected %s, got %s',
            \ fnamemodify(a:file, ':t'), pattern, offset, group, got == '' ? '(none)' : got))
    endif
  endfor
endfunction

function! s:ExpectType(file, type) abort
  execute 'edit ' . fnameescape(a:file)
  if &filetype !=# a:type
    call add(s:failures, printf('%s: filetype %s, expected %s', fnamemodify(a:file, ':t'),
          \ &filetype, a:type))
  endif
endfunction

call s:ExpectType(s:here . '/sample.lumo', 'lumo')
call s:ExpectType(s:here . '/sample.asm', 'koru')
" Another assembly language keeps the type Vim gives it.
let s:other = tempname() . '.asm'
call writefile(['; not lumoc output', "\tmov ax, 1"], s:other)
execute 'edit ' . fnameescape(s:other)
if &filetype ==# 'koru'
  call add(s:failures, 'an .asm file without the KORU banner was taken for KORU assembly')
endif

call s:Expect(s:here . '/sample.lumo', [
      \ ['^// A sample', 0, 'lumoComment'],
      \ ['TODO', 0, 'lumoTodo'],
      \ ['^int', 0, 'lumoType'],
      \ ['count = 0', 8, 'lumoNumber'],
      \ ['^const', 0, 'lumoStorage'],
      \ ['false', 0, 'lumoBoolean'],
      \ ['"if', 1, 'lumoString'],
      \ ['// not', 0, 'lumoString'],
      \ ['\\n"', 0, 'lumoNewline'],
      \ ['32768', 0, 'lumoNumberBig'],
      \ ['while', 0, 'lumoRepeat'],
      \ ['&&', 0, 'lumoOperator'],
      \ ['!done', 0, 'lumoOperator'],
      \ ['<<', 0, 'lumoOperator'],
      \ ['cin', 0, 'lumoIO'],
      \ ['a & ', 2, 'lumoError'],
      \ ['_b', 0, 'lumoError'],
      \ ])

call s:Expect(s:here . '/sample.asm', [
      \ ['^\* The KORU', 0, 'koruComment'],
      \ ['^\* The KORU', 10, 'koruComment'],
      \ ['MCO', 0, 'koruDirective'],
      \ ['"extended', 0, 'koruFileName'],
      \ ['ORG  \$', 5, 'koruHex'],
      \ ['#\$DF', 0, 'koruHex'],
      \ ['SP$', 0, 'koruRegister'],
      \ ['JMP  main', 0, 'koruBranch'],
      \ ['^_Eintegeroverflow', 0, 'koruLabel'],
      \ ['DC\.B', 0, 'koruDirective'],
      \ ['''Integer', 1, 'koruText'],
      \ ['overflow!\\n', 9, 'koruNewline'],
      \ [',39,', 1, 'koruNumber'],
      \ ['DS\.W', 0, 'koruDirective'],
      \ ['^main', 0, 'koruLabel'],
      \ ['#^3', 0, 'koruImmediate'],
      \ ['#sym_text', 0, 'koruAddress'],
      \ ['ADD', 0, 'koruInstruction'],
      \ ['BVS', 0, 'koruBranch'],
      \ ['^L0', 0, 'koruLabel'],
      \ ['HALT', 0, 'koruBranch'],
      \ ])

if empty(s:failures)
  qall!
endif
call writefile(s:failures, '/dev/stderr')
cquit!
