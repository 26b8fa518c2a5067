#pragma once

class CxyGl;

// Measures one query for the benchmark script: "所有人" over every date the lists offer, from
// pressing 查看 to the painted grid. Prints the time and the peak memory on standard error.
class QueryBenchmark {
public:
    // Returns the process's exit status.
    static int run(CxyGl& window);
};
