#!/bin/sh
# lumoc takes no arguments, so its manual page is made from this description instead of
# its own --help: help2man runs this script as if it were lumoc.
case "$1" in
    --version)
        echo "lumoc (Lumo toolchain) $LUMO_VERSION"
        ;;
    *)
        cat <<'TEXT'
Usage: lumoc < PROGRAM.lumo > PROGRAM.asm

Reads one Lumo program on standard input and writes an assembly program for the KORU
processor on standard output. A program with an error gets exactly one diagnostic on
standard output, the first error in the text, and no assembly at all. lumoc takes no
options and ignores its arguments; `lumo build`, `lumo check` and `lumo run` wrap it
for everyday use.

Exit status:
  0        the program was compiled
  1-7      a lexical error ("Lexer error : ...")
  1-20     a syntax error, with its number
  101-107  a static semantic error, with its number
  201-225  a type error, with its number
  30       parentheses, "!" or braces nest more than 1000 levels deep
  71       out of memory
  74       standard output cannot be written (reported on standard error)
TEXT
        ;;
esac
