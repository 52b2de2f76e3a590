int a = 1;
// comment \
 continued
int b = M(0x1F);
double c = M1(1.5f);
const char* d = M2("a\"b\n");
/* block
 comment */ int e = M(-12);
