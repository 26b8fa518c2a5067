#pragma once

class CxyGl;

// Measures, for the benchmark script, one query: "所有人" over every date the lists offer, from
// pressing 查看 to the painted grid; then the export of that listing to a CSV file, and the
// chart per month and per day, each from the choice to the painted chart. Prints the times and
// the peak memory on standard error.
class QueryBenchmark {
public:
    // Returns the process's exit status.
    static int run(CxyGl& window);
};
