	MCO
	LPC
	ORG  $0200
sym_t	DC.B 'two
lines', 10, 'it',39,'s',0
sym_w	DS.W 3
sym_e	DC.B '',0
	ORG  $FFF0
sym_h	DC.B 'high',0
	MOVE #sym_t,A
	JSR  putstring
	MOVE #sym_h,A
	JSR  putstring
	MOVE #^-32768,sym_w
	MOVE sym_w,B
	MUL  #^-1,B
	DIV  #^-1,sym_w
	MOD  #^7,B
	NOT  B
	AND  #$00FF,B
	OR   #$F000,B
	CMP  B,sym_w
	BMI  down
	BPL  down
down
	BVC  end
	BNE  end
end
	HALT
	USE  extendedio.lib
