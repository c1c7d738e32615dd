// Entry point of the traffic simulation.
int main() { return 0; }
