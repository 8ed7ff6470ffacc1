// The part of Google Benchmark's interface that the in-process benchmarks
// use, for targets where it is not packaged: Debian has no mingw-w64 build of
// it, and the Windows build must give the same figures. CMake picks this
// harness only when `benchmark` is not found. It takes
// --benchmark_repetitions=N, --benchmark_report_aggregates_only=true and
// --benchmark_format=json, and always reports JSON: each repetition and/or
// the median and cv (stddev / mean) of the repetitions. Times are elapsed
// time, reported as cpu_time too: part of the console's work is done in
// another process (the console host), which a CPU clock would leave out.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace benchmark {

enum TimeUnit { kNanosecond, kMicrosecond, kMillisecond, kSecond };

class State {
  public:
    struct [[maybe_unused]] Value {};
    struct Iterator {
        State *state;
        uint64_t left;
        Value operator*() const { return {}; }
        Iterator &operator++() { return --left, *this; }
        bool operator!=(const Iterator &) {
            if (left == 0) state->seconds_ = now() - state->started_;
            return left != 0;
        }
    };
    State(uint64_t iterations, std::vector<int64_t> arguments)
        : iterations_(iterations), arguments_(std::move(arguments)) {}
    Iterator begin() { return started_ = now(), Iterator{this, iterations_}; }
    Iterator end() { return {this, 0}; }
    int64_t range(size_t i) const { return arguments_.at(i); }
    int64_t iterations() const { return static_cast<int64_t>(iterations_); }
    void SetBytesProcessed(int64_t bytes) { bytes_ = static_cast<double>(bytes); }
    static double now() {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }

    std::map<std::string, double> counters;
    uint64_t iterations_;
    std::vector<int64_t> arguments_;
    double started_ = 0, seconds_ = 0, bytes_ = 0;
};

struct Benchmark {
    std::string name;
    void (*function)(State &);
    std::vector<int64_t> arguments;
    TimeUnit unit = kNanosecond;
    Benchmark *Arg(int64_t argument) { return arguments.push_back(argument), this; }
    Benchmark *Unit(TimeUnit u) { return unit = u, this; }
};

template <class T> inline void DoNotOptimize(const T &value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

namespace internal {

struct Row {
    std::string run_name, aggregate; // aggregate: empty for one repetition
    uint64_t iterations;
    double seconds;
    std::map<std::string, double> values; // the times and the counters
};

inline std::deque<Benchmark> &registry() {
    static std::deque<Benchmark> benchmarks; // keeps the addresses that add() hands out
    return benchmarks;
}
inline Benchmark *add(const char *name, void (*function)(State &)) {
    return &registry().emplace_back(Benchmark{name, function, {}});
}

inline Row run_once(const Benchmark &b, const std::vector<int64_t> &arguments, uint64_t n) {
    State state(n, arguments);
    b.function(state);
    Row row{b.name, "", n, state.seconds_, state.counters};
    for (int64_t argument : arguments) row.run_name += "/" + std::to_string(argument);
    const double per_second[] = {1e9, 1e6, 1e3, 1};
    row.values["cpu_time"] = row.values["real_time"] = state.seconds_ / n * per_second[b.unit];
    if (state.bytes_ > 0) row.values["bytes_per_second"] = state.bytes_ / state.seconds_;
    return row;
}

// The iteration count grows until a run lasts half a second; that run is
// the first repetition.
inline std::vector<Row> runs_of(const Benchmark &b, const std::vector<int64_t> &arguments,
                                size_t repetitions) {
    std::vector<Row> runs{run_once(b, arguments, 1)};
    for (uint64_t n = 1; runs[0].seconds < 0.5 && n < 1000000000;) {
        double seconds = runs[0].seconds;
        n = std::max(n + 1, static_cast<uint64_t>(n * (seconds > 0.05 ? 0.7 / seconds : 10)));
        runs[0] = run_once(b, arguments, n);
    }
    while (runs.size() < repetitions) runs.push_back(run_once(b, arguments, runs[0].iterations));
    return runs;
}

inline Row aggregate_of(const std::vector<Row> &runs, const char *kind) {
    Row row{runs[0].run_name, kind, runs.size(), 0, runs[0].values};
    for (auto &[name, value] : row.values) {
        std::vector<double> v;
        for (const Row &run : runs) v.push_back(run.values.at(name));
        std::sort(v.begin(), v.end());
        double size = static_cast<double>(v.size()), mean = 0, squares = 0;
        for (double x : v) mean += x / size;
        for (double x : v) squares += (x - mean) * (x - mean);
        double median = (v[v.size() / 2] + v[(v.size() - 1) / 2]) / 2;
        double cv = mean != 0 ? std::sqrt(squares / (size - 1)) / mean : 0;
        value = row.aggregate == "median" ? median : cv;
    }
    return row;
}

inline void row_print(const Row &row, TimeUnit unit) {
    static const char *separator = "";
    std::string name = row.run_name + (row.aggregate.empty() ? "" : "_" + row.aggregate);
    printf("%s    {\"name\": \"%s\", \"run_name\": \"%s\", \"aggregate_name\": \"%s\", "
           "\"iterations\": %llu, ",
           separator, name.c_str(), row.run_name.c_str(), row.aggregate.c_str(),
           static_cast<unsigned long long>(row.iterations));
    for (const auto &[key, value] : row.values) printf("\"%s\": %.9g, ", key.c_str(), value);
    const char *units[] = {"ns", "us", "ms", "s"};
    printf("\"time_unit\": \"%s\"}", units[unit]);
    separator = ",\n";
}

inline int main(int argc, char **argv) {
    size_t repetitions = 1;
    bool aggregates_only = false;
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        if (flag.starts_with("--benchmark_repetitions="))
            repetitions = std::max(1, atoi(flag.c_str() + flag.find('=') + 1));
        else if (flag == "--benchmark_report_aggregates_only=true")
            aggregates_only = true;
        else if (flag != "--benchmark_format=json")
            return fprintf(stderr, "%s: unknown argument %s\n", argv[0], argv[i]), 1;
    }
    printf("{\n  \"context\": {\"timer\": \"elapsed\"},\n  \"benchmarks\": [\n");
    for (const Benchmark &b : registry()) {
        for (size_t i = 0; i < std::max<size_t>(1, b.arguments.size()); ++i) {
            std::vector<int64_t> arguments;
            if (!b.arguments.empty()) arguments.push_back(b.arguments[i]);
            std::vector<Row> runs = runs_of(b, arguments, repetitions);
            // As Google Benchmark does: one repetition has no aggregates.
            if (repetitions == 1 || !aggregates_only)
                for (const Row &run : runs) row_print(run, b.unit);
            if (repetitions == 1) continue;
            for (const char *kind : {"median", "cv"}) row_print(aggregate_of(runs, kind), b.unit);
        }
    }
    printf("\n  ]\n}\n");
    return 0;
}

} // namespace internal
} // namespace benchmark

#define BENCHMARK_JOIN2(a, b) a##b
#define BENCHMARK_JOIN(a, b) BENCHMARK_JOIN2(a, b)
#define BENCHMARK(function)                                                                        \
    [[maybe_unused]] static ::benchmark::Benchmark *BENCHMARK_JOIN(benchmark_, __LINE__) =         \
        ::benchmark::internal::add(#function, function)
#define BENCHMARK_MAIN()                                                                           \
    int main(int argc, char **argv) {                                                              \
        return ::benchmark::internal::main(argc, argv);                                            \
    }
