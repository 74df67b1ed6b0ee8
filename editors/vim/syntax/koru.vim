" Vim syntax file
" Language: KORU assembly, as lumoc writes it and koru runs it
" Install: copy editors/vim/syntax and editors/vim/ftdetect into ~/.vim/

if exists('b:current_syntax')
  finish
endif

syn case match

syn keyword koruInstruction MOVE PUSH POP ADD SUB MUL DIV MOD AND OR NOT CMP
syn keyword koruBranch      BEQ BNE BMI BPL BVS BVC JMP JSR HALT
syn keyword koruDirective   MCO ORG LPC USE
syn keyword koruRegister    A B SP

syn match koruNumber    "\<\d\+\>"
syn match koruDirective "\<D[CS]\.[BW]\>"
syn match koruImmediate "#^[-+]\=\d\+"
syn match koruHex       "#\=\$\x\+"
syn match koruAddress   "#\h\w*"

" A label starts in the first column and has no colon.
syn match koruLabel "^\h\w*"

" In a DC.B text backslash-n is a newline byte; without its closing quote the text goes
" on in the next line.
syn region koruText     start=+'+ end=+'+ contains=koruNewline
syn match  koruNewline  "\\n" contained
syn region koruFileName start=+"+ end=+"+ oneline

" A comment is a whole line starting with * in the first column.
syn match koruComment "^\*.*$"

hi def link koruInstruction Statement
hi def link koruBranch      Conditional
hi def link koruDirective   PreProc
hi def link koruRegister    Identifier
hi def link koruNumber      Number
hi def link koruImmediate   Number
hi def link koruHex         Number
hi def link koruAddress     Identifier
hi def link koruLabel       Label
hi def link koruText        String
hi def link koruNewline     SpecialChar
hi def link koruFileName    String
hi def link koruComment     Comment

let b:current_syntax = 'koru'
