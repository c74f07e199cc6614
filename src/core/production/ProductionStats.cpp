#include "core/production/ProductionStats.h"

namespace tagwright {

ProductionFigures ComputeProductionFigures(Journal& journal, const StatsQuery& query) {
    (void)journal;
    (void)query;
    ProductionFigures figures;
    figures.message = "The production figures are not available yet.";
    return figures;
}

FailureRows FailureCauseRows(Journal& journal, const StatsQuery& query, const FailureCause& cause,
                             int limit) {
    (void)journal;
    (void)query;
    (void)cause;
    (void)limit;
    FailureRows rows;
    rows.message = "The production figures are not available yet.";
    return rows;
}

std::vector<RateBucket> DenseRate(const std::vector<RateBucket>& sparse, const std::string&,
                                  const std::string&, int) {
    return sparse;
}

}  // namespace tagwright
