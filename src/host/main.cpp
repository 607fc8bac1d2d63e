#include "host/host_main.h"

int main() { return wv::host_main(); }
