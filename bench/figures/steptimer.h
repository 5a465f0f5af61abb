#pragma once

// What every benchmark of qbbench times a step with; header-only, since the benchmarks of the
// programs and those of the find share it.

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <string>

namespace benchbases {

inline double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Times one step in wall time (what the benchmark reports) and in CPU time of the process,
// which stays meaningful when other work shares the machine. The CPU figure is reported as
// the counter cpu_ms, per step.
class StepTimer {
public:
    explicit StepTimer(benchmark::State& state) : state_(state) {}
    ~StepTimer() {
        if (steps_ > 0)
            state_.counters["cpu_ms"] = cpuSeconds_ * 1000.0 / double(steps_);
    }

    void start() {
        wallStart_ = std::chrono::steady_clock::now();
        cpuStart_ = processCpuSeconds();
    }
    void stop() {
        cpuSeconds_ += processCpuSeconds() - cpuStart_;
        ++steps_;
        state_.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart_).count());
    }

private:
    benchmark::State& state_;
    std::chrono::steady_clock::time_point wallStart_;
    double cpuStart_ = 0;
    double cpuSeconds_ = 0;
    int steps_ = 0;
};

// The message is copied, as older versions of the library keep the bare pointer.
inline void skip(benchmark::State& state, const std::string& why) {
    static std::string kept;
    kept = why;
    state.SkipWithError(kept.c_str());
}

}  // namespace benchbases
