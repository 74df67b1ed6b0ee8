x	DC.B 'open
