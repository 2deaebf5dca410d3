#pragma once
// citra measure: the field's numbers of each pair (MeasureListedPair),
// written from MeasureFields as a text table, JSON lines or CSV rows, and
// with --summary the summary per group (MeasureSummaryBuilder).
#include <ostream>

#include "options.h"
#include "pair_list.h"
#include "run.h"

// Measures the listed pairs (already cut to the --shard share) and returns
// the exit code: 0 all succeeded, 1 a pair failed or the summary could not
// be written, 128 + the signal when stopped (130 Ctrl+C). A --summary=FILE that cannot be written
// fails before the first pair.
int RunMeasure(const Options& options, const PairListing& listing, std::ostream& out, std::ostream& err,
               Terminals terminals);
