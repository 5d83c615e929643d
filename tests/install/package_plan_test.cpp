#include "install/package_plan.h"

#include <gtest/gtest.h>

#include "support/http_test_server.h"
#include "support/temp_dir.h"

namespace {

TEST(PackagePlan, DefaultGenerationAndCaptionFollowTheOsCode) {
    struct Case {
        int osCode;
        std::wstring netver;
        std::wstring defaultCaption;
    };
    const Case cases[] = {
        {3, L"2.0", L".net20安装版"},
        {10, L"2.0", L".net20安装版"},
        {11, L"4.0", L".net40安装版"},
        {12, L"4.0", L".net40安装版"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DefaultNetVersion(c.osCode), c.netver);
        EXPECT_EQ(ChosenVersionCaption(RuntimeChoice::Default, c.osCode), c.defaultCaption);
        EXPECT_EQ(ChosenVersionCaption(RuntimeChoice::Net20, c.osCode), L".net20安装版");
        EXPECT_EQ(ChosenVersionCaption(RuntimeChoice::Net40, c.osCode), L".net40安装版");
    }
}

class PackagePlanFetch : public ::testing::Test {
  protected:
    void SetUp() override {
        service.Handle(
            "/inst/", [this](const httplib::Request& request, httplib::Response& response) {
                const std::string action = request.get_param_value("action");
                const std::string netver = request.get_param_value("netver");
                std::string body = "ER unknown";
                if (action == "getver")
                    body = getVer;
                if (action == "needdown")
                    body = netver == "4.0"
                               ? "ER no packages for 4.0"
                               : "OK[{'filename':'a.zip','filesize':'3','ver':'" + netver + "'}]";
                response.set_content(body, "text/plain");
            });
        context.serverList = {service.WideHostPort()};
    }

    ScopedTempDir temp;
    test_support::HttpTestServer service;
    std::string getVer = "OK[{'ver':'1.0'}]";
    CInstallContext context{{}, temp / L"Install.log"};
};

TEST_F(PackagePlanFetch, OpeningThePageFetchesTheDefaultPlan) {
    InstallPlan plan;
    std::wstring error;
    ASSERT_TRUE(PreparePlan(context, L"", 10, plan, error));
    EXPECT_EQ(context.GetParam(L"netver"), L"2.0");
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0][L"ver"], L"2.0");
}

TEST_F(PackagePlanFetch, FailedRefetchKeepsThePlanButNotTheGeneration) {
    InstallPlan plan;
    std::wstring error;
    ASSERT_TRUE(PreparePlan(context, L"2.0", 12, plan, error));
    EXPECT_FALSE(FetchPlan(context, L"4.0", plan, error));
    EXPECT_EQ(error, L"ER no packages for 4.0");
    EXPECT_EQ(context.GetParam(L"netver"), L"4.0");
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0][L"ver"], L"2.0");
}

TEST_F(PackagePlanFetch, FailedVersionRequestStopsBeforeThePlan) {
    getVer = "ER unknown application";
    InstallPlan plan;
    std::wstring error;
    EXPECT_FALSE(PreparePlan(context, L"", 10, plan, error));
    EXPECT_EQ(error, L"ER unknown application");
    EXPECT_TRUE(plan.empty());
    EXPECT_EQ(service.RequestCount(), 1u);
}

}  // namespace
