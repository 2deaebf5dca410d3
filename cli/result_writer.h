#pragma once
// Receives results in argument order and writes them in the chosen format.
// JSON and CSV lines go out as each result arrives (CSV: compare results
// only, after a header line written at creation); text tables are written
// by Finish, once every row is known and the columns can be aligned.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "options.h"
#include "results.h"

class ResultWriter {
public:
    virtual ~ResultWriter() = default;
    virtual void Write(const InfoResult& result) = 0;
    virtual void Write(const HistogramResult& result) = 0;
    virtual void Write(const PairResult& result) = 0;
    virtual void Finish() {}
};

std::unique_ptr<ResultWriter> MakeResultWriter(OutputFormat format, std::ostream& out,
                                               std::string decimalSeparator);
