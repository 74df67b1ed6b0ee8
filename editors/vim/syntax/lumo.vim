" Vim syntax file
" Language: Lumo, the teaching language compiled by lumoc
" Install: copy editors/vim/syntax and editors/vim/ftdetect into ~/.vim/

if exists('b:current_syntax')
  finish
endif

syn case match

syn keyword lumoConditional if else
syn keyword lumoRepeat      while
syn keyword lumoType        int bool string
syn keyword lumoStorage     const
syn keyword lumoIO          cin cout
syn keyword lumoBoolean     true false

" Later matches win where two start at the same place: a literal that does not fit
" in an int is marked over the plain number.
syn match lumoNumber    "\<\d\+\>"
syn match lumoNumberBig "\<0*\(\d\{6,}\|[4-9]\d\{4}\|3[3-9]\d\{3}\|32[89]\d\d\|327[7-9]\d\|3276[89]\)\>"

syn match lumoOperator "[-+*/%=<>!]\|&&\|||"
" A single & or |, an underscore starting a name, and characters that begin no word.
syn match lumoError    "&\@<!&&\@!\||\@<!||\@!"
syn match lumoError    "\<_\w*"
syn match lumoError    "[#.$@?\\\[\]~^'`:,]"

" No escape sequences: the next double quote ends the text, which may span lines.
" The two characters \n print as a line break.
syn region lumoString start=+"+ end=+"+ contains=lumoNewline
syn match  lumoNewline "\\n" contained

syn keyword lumoTodo    TODO FIXME XXX contained
syn match   lumoComment "//.*$" contains=lumoTodo

hi def link lumoConditional Conditional
hi def link lumoRepeat      Repeat
hi def link lumoType        Type
hi def link lumoStorage     StorageClass
hi def link lumoIO          Statement
hi def link lumoBoolean     Boolean
hi def link lumoNumber      Number
hi def link lumoNumberBig   Error
hi def link lumoOperator    Operator
hi def link lumoError       Error
hi def link lumoString      String
hi def link lumoNewline     SpecialChar
hi def link lumoTodo        Todo
hi def link lumoComment     Comment

let b:current_syntax = 'lumo'
