#pragma once

// Figures for the reliability report: when QUORIX_RELIABILITY_FIGURES names a file, each figure is appended
// to it as one "key value" line (scripts/reliability-report.sh turns them into docs/reliability.md).

#include <string>

namespace reliability {

void recordFigure(const std::string& key, double value);

}  // namespace reliability
