#include <cstdio>
int main() { std::puts("talvimorena-tool"); return 0; }
