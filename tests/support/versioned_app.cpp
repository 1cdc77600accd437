// A do-nothing program: the trust and version tests only read its file.
int main() { return 0; }
