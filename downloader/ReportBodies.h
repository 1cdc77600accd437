#pragma once
// The form bodies of the two statistics reports: key=value pairs joined by "&", in a
// fixed order, values inserted as they stand. No platform calls.
#include <cstdint>
#include <string>

constexpr const char* kRightReportPath = "/download_device_stat.php";
constexpr const char* kErrorReportPath = "/download_device_error_stat.php";

std::string BuildRightBody(const std::string& siteId, uint32_t useTime, int64_t installerSize);
// An empty packageVersion is sent as "0.0.0.0".
std::string BuildErrorBody(const std::string& siteId, const std::string& packageVersion,
                           int32_t errorType, int32_t submitDate);
