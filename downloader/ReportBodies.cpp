#include "ReportBodies.h"

std::string BuildRightBody(const std::string& siteId, uint32_t useTime, int64_t installerSize) {
    return "agent_id=" + siteId + "&use_time=" + std::to_string(useTime) +
           "&sizes=" + std::to_string(installerSize);
}

std::string BuildErrorBody(const std::string& siteId, const std::string& packageVersion,
                           int32_t errorType, int32_t submitDate) {
    const std::string version = packageVersion.empty() ? std::string("0.0.0.0") : packageVersion;
    return "agent_id=" + siteId + "&download_version=1.0.0.1&package_version=" + version +
           "&error_type=" + std::to_string(errorType) + "&submit_date=" + std::to_string(submitDate);
}
