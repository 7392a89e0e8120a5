// The floor of the process benchmarks: a statically linked program that
// does nothing, so that a sensor run can be given as a multiple of what
// starting any process costs on the machine.
int main() { return 0; }
