// Searching the library as the picker does.
#include <benchmark/benchmark.h>
