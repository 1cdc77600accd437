// The statistics bodies, byte for byte.
#include <gtest/gtest.h>

#include "ReportBodies.h"

namespace {

TEST(ReportBodies, SuccessBody) {
    EXPECT_EQ("agent_id=4501561&use_time=0&sizes=700", BuildRightBody("4501561", 0, 700));
    EXPECT_EQ("agent_id=&use_time=4294967295&sizes=5000000000",
              BuildRightBody("", UINT32_MAX, INT64_C(5000000000)));
}

TEST(ReportBodies, FailureBodyKeepsItsOrderAndDefaultsTheVersion) {
    EXPECT_EQ("agent_id=4501561&download_version=1.0.0.1&package_version=3.5.0.1&error_type=8&submit_date=1700000000",
              BuildErrorBody("4501561", "3.5.0.1", 8, 1700000000));
    EXPECT_EQ("agent_id=a b&download_version=1.0.0.1&package_version=0.0.0.0&error_type=2&submit_date=-1",
              BuildErrorBody("a b", "", 2, -1));
}

}  // namespace
