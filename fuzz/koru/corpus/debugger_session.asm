	MOVE #$DF,SP
	JMP  main
_Eintegeroverflow DC.B 'Integer overflow!\n',0
sym_a	DS.W 1
sym_msg	DC.B 'sum: ',0
main
	JSR  getdword
	MOVE A,sym_a
	JSR  getdword
	PUSH A
	MOVE sym_a,A
	POP  B
	ADD  B,A
	BVS  L0
	MOVE A,sym_a
	MOVE #sym_msg,A
	JSR  putstring
	MOVE sym_a,A
	JSR  putdword
	HALT
L0
	MOVE #_Eintegeroverflow,A
	JSR  putstring
	HALT

#commands
break main
break 12
watch sym_a
run
step 3

stack
regs
mem sym_msg 4
print sym_msg
print sym_a
list
list 9
continue
delete 1
continue
run
delete
next 5
help
quit
