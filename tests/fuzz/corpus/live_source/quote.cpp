M("unterminated
next line
