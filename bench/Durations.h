#pragma once

#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

namespace quillo::bench {

/// Times of single runs, reported as their median and slowest tenth: a person feels the
/// typical and the bad case more than the mean that Google Benchmark gives.
class Durations {
public:
    void add(double seconds) { milliseconds_.push_back(seconds * 1000); }
    void report(benchmark::State& state) {
        if (milliseconds_.empty())
            return;
        std::ranges::sort(milliseconds_);
        state.counters["median_ms"] = milliseconds_[milliseconds_.size() / 2];
        state.counters["p90_ms"] = milliseconds_[milliseconds_.size() * 9 / 10];
    }

private:
    std::vector<double> milliseconds_;
};

} // namespace quillo::bench
