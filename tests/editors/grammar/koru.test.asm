* SYNTAX TEST "source.koru" "KORU assembly as lumoc writes it"

* The KORU Lumo cross-compiler (02-Jul-2003)
* <---------- comment.line.asterisk.koru
*
* <- comment.line.asterisk.koru punctuation.definition.comment.koru
	MCO  "extended.mco"
*^^^ keyword.other.directive.koru
*     ^^^^^^^^^^^^^^ string.quoted.double.koru
	ORG  $0100
*^^^ keyword.other.directive.koru
*     ^ punctuation.definition.hexadecimal.koru
*      ^^^^ constant.numeric.integer.hexadecimal.koru
	LPC  $0100
*^^^ keyword.other.directive.koru
	MOVE #$DF,SP
*^^^^ keyword.other.instruction.koru
*     ^^ punctuation.definition.immediate.koru
*       ^^ constant.numeric.integer.hexadecimal.koru
*         ^ punctuation.separator.operand.koru
*          ^^ variable.language.register.koru
	JMP  main
*^^^ keyword.control.branch.koru
*     ^^^^ variable.other.label.koru
_Eintegeroverflow DC.B 'Integer overflow!\n',0
* <----------------- entity.name.label.koru
*                 ^^^^ keyword.other.directive.koru
*                      ^ string.quoted.single.koru punctuation.definition.string.begin.koru
*                       ^^^^^^^ string.quoted.single.koru - keyword.other.instruction.koru
*                                        ^^ constant.character.escape.newline.koru
*                                            ^ constant.numeric.integer.decimal.koru
sym_s	DC.B 'it',39,'s ORG A\n',0
* <----- entity.name.label.koru
*               ^^ constant.numeric.integer.decimal.koru - string.quoted.single.koru
*                     ^^^^^ string.quoted.single.koru - keyword.other.directive.koru variable.language.register.koru
sym_poem	DC.B 'first line
*              ^^^^^^^^^^ string.quoted.single.koru
and the next\n',0
* <------------ string.quoted.single.koru - entity.name.label.koru
*               ^ constant.numeric.integer.decimal.koru - string.quoted.single.koru
sym_count	DS.W 1
* <--------- entity.name.label.koru
*         ^^^^ keyword.other.directive.koru
*              ^ constant.numeric.integer.decimal.koru
main
* <---- entity.name.label.koru
	MOVE #^-1,B
*     ^^ punctuation.definition.immediate.koru
*       ^^ constant.numeric.integer.decimal.koru
*          ^ variable.language.register.koru
	MOVE B,sym_done
*     ^ variable.language.register.koru
*       ^^^^^^^^ variable.other.label.koru
	MOVE #sym_hello,A
*     ^ punctuation.definition.immediate.koru
*      ^^^^^^^^^ variable.other.label.koru
*                ^ variable.language.register.koru
	POP  B
*^^^ keyword.other.instruction.koru
*     ^ variable.language.register.koru
	ADD  B,A
*^^^ keyword.other.instruction.koru
	BVS  L0
*^^^ keyword.control.branch.koru
*     ^^ variable.other.label.koru
	CMP #$00,B
*^^^ keyword.other.instruction.koru
*      ^^ constant.numeric.integer.hexadecimal.koru
	BEQ Ldividebyzero
*^^^ keyword.control.branch.koru
*    ^^^^^^^^^^^^^ variable.other.label.koru
	JMP    L2
*^^^ keyword.control.branch.koru
*       ^^ variable.other.label.koru
bgtnext_1
* <--------- entity.name.label.koru
	BPL  bgt4_1
*^^^ keyword.control.branch.koru
*     ^^^^^^ variable.other.label.koru
	JSR  putstring
*^^^ keyword.control.branch.koru
*     ^^^^^^^^^ variable.other.label.koru
	HALT
*^^^^ keyword.control.branch.koru
ADDRESS	NOT  A
* <------- entity.name.label.koru - keyword.other.instruction.koru
*       ^^^ keyword.other.instruction.koru
	USE  "extendedio.lib"
*^^^ keyword.other.directive.koru
*     ^^^^^^^^^^^^^^^^ string.quoted.double.koru
