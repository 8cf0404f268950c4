#pragma once
// The daemon with the stand-in packet driver loaded for the whole suite; each test starts from a reset
// driver.
#include "DaemonFixture.h"
#include "StandInDriver.h"

inline constexpr DWORD kTickWaitMs = 10000;

class DaemonDriverTest : public DaemonTest {
protected:
    static void SetUpTestSuite()
    {
        driver_ = new CStandInDriver;
        ASSERT_TRUE(driver_->Install(CStandInDriver::FileBesideProgram())) << driver_->LastError();
        ASSERT_TRUE(driver_->Start()) << driver_->LastError();
    }
    static void TearDownTestSuite()
    {
        driver_->Stop();
        driver_->Uninstall();
        delete driver_;
        driver_ = nullptr;
    }
    void SetUp() override
    {
        DaemonTest::SetUp();
        ASSERT_TRUE(driver_->Reset()) << driver_->LastError();
    }

    StandInRequestCounts Counts()
    {
        StandInRequestCounts counts;
        EXPECT_TRUE(driver_->GetRequestCounts(counts)) << driver_->LastError();
        return counts;
    }
    uint32_t Sharing()
    {
        uint32_t flag = 99;
        EXPECT_TRUE(driver_->GetSharing(flag)) << driver_->LastError();
        return flag;
    }
    bool LogHas(const std::string& message)
    {
        for (const std::string& line : Log())
            if (line == message)
                return true;
        return false;
    }

    static inline CStandInDriver* driver_ = nullptr;
};
