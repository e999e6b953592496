#pragma once

#include <chrono>

namespace zelvora::bench {

// Adds the time from its making to its end to `total`, in seconds.
class StopWatch {
public:
    explicit StopWatch(double& total) : total_(total), start_(std::chrono::steady_clock::now()) {}
    ~StopWatch() {
        total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    StopWatch(const StopWatch&) = delete;
    StopWatch& operator=(const StopWatch&) = delete;

private:
    double& total_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace zelvora::bench
