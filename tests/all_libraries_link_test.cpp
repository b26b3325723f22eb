// Linked with every static library of the tree, each one whole: the test is the link itself, which
// fails when two libraries define the same symbol.
int main() { return 0; }
