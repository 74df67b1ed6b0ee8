	MOVE #^1,A
loop
	ADD  A,A
	BVC  loop
	JMP  loop
