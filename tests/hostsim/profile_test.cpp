#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "hostsim/drive_root.h"
#include "hostsim/host.h"
#include "olx/host_interface.h"

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override { hostsim::Reset(); }
    hostsim::Host& host = hostsim::Get();
};

TEST_F(ProfileTest, MissingKeysReadAsTheirDefaultAndWrittenValuesReadBack) {
    EXPECT_EQ(OLX_GetProfileInt(5, "Region", 256), 256);
    EXPECT_STREQ(OLX_GetProfileString(5, "DCMFile", ""), "");
    EXPECT_STREQ(OLX_GetProfileString(5, "DCMFile", "C:\\d.dcm"), "C:\\d.dcm");

    EXPECT_EQ(OLX_WriteProfileInt(5, "Region", -3), 1);
    EXPECT_EQ(OLX_WriteProfileString(5, "DCMFile", "D:\\表\\a.DCM"), 1);
    EXPECT_EQ(OLX_GetProfileInt(5, "Region", 256), -3);
    EXPECT_STREQ(OLX_GetProfileString(5, "DCMFile", ""), "D:\\表\\a.DCM");
    // Keys compare without case, as the system's profile files do; plug-in ids are apart.
    EXPECT_EQ(OLX_GetProfileInt(5, "REGION", 0), -3);
    EXPECT_EQ(OLX_GetProfileInt(6, "Region", 9), 9);
    EXPECT_EQ(host.Profiles().Get(5, "Region"), "-3");
}

TEST_F(ProfileTest, IntegersAreReadFromStoredTextAsTheProfileReaderDoes) {
    struct Case {
        const char* stored;
        int32_t value;
    };
    for (const Case& c : {Case{"42", 42}, Case{"  -7", -7}, Case{"12abc", 12}, Case{"abc", 0}, Case{"", 0}}) {
        host.Profiles().Set(1, "K", c.stored);
        EXPECT_EQ(OLX_GetProfileInt(1, "K", 99), c.value) << c.stored;
    }
}

TEST_F(ProfileTest, StringAnswerIsHostStorageReplacedAtTheNextCall) {
    OLX_WriteProfileString(1, "A", "first value");
    const char* a = OLX_GetProfileString(1, "A", "");
    EXPECT_STREQ(a, "first value");
    const std::string copy = a;  // what the module must do at once
    const char* b = OLX_GetProfileString(1, "B", "other");
    EXPECT_STREQ(b, "other");
    EXPECT_EQ(copy, "first value");
}

TEST_F(ProfileTest, CallsAreLoggedWithKeyBytesAndResults) {
    OLX_WriteProfileInt(3, "LinkDCM", 1);
    (void)OLX_GetProfileString(3, "DCMFile", "");
    (void)OLX_GetProfileInt(3, "LinkDCM", 0);
    const auto& log = host.Log().Entries();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].name, "OLX_WriteProfileInt");
    EXPECT_EQ(log[0].args, "3, \"LinkDCM\", 1");
    EXPECT_EQ(log[1].args, "3, \"DCMFile\", \"\"");
    EXPECT_EQ(log[1].result, "\"\"");
    EXPECT_EQ(log[2].result, "1");
}

TEST_F(ProfileTest, IniRoundTripKeepsEveryPluginAndCodePage932Bytes) {
    hostsim::DriveRoot root;
    const std::string path = root.Dir() + "/host.ini";
    host.Profiles().SetInt(7, "Region", 256);
    host.Profiles().Set(7, "DCMFile", "C:\\\x95\x5C\\x.dcm");  // 表 with its trail byte 0x5C
    host.Profiles().Set(7, "Empty", "");
    host.Profiles().SetInt(9, "LinkType", 1);
    ASSERT_TRUE(host.Profiles().SaveIni(path));

    hostsim::Reset();
    ASSERT_TRUE(host.Profiles().LoadIni(path));
    EXPECT_EQ(OLX_GetProfileInt(7, "Region", 0), 256);
    EXPECT_STREQ(OLX_GetProfileString(7, "DCMFile", ""), "C:\\\x95\x5C\\x.dcm");
    EXPECT_EQ(host.Profiles().Get(7, "Empty"), "");
    EXPECT_EQ(OLX_GetProfileInt(9, "LinkType", 0), 1);
    EXPECT_FALSE(host.Profiles().Get(9, "Region").has_value());
}

TEST_F(ProfileTest, IniLoadToleratesCarriageReturnsAndIgnoresStrayLines) {
    hostsim::DriveRoot root;
    const std::string path = root.Dir() + "/host.ini";
    std::ofstream(path, std::ios::binary) << "orphan=1\r\n[plugin 4]\r\n; note\r\nRegion=3\r\nbroken line\r\n"
                                             "[other]\r\nRegion=5\r\n";
    ASSERT_TRUE(host.Profiles().LoadIni(path));
    EXPECT_EQ(OLX_GetProfileInt(4, "Region", 0), 3);
    EXPECT_FALSE(host.Profiles().LoadIni(root.Dir() + "/absent.ini"));
}

TEST_F(ProfileTest, ValueWithLineBreakIsNotSavedSilently) {
    hostsim::DriveRoot root;
    host.Profiles().Set(1, "A", "two\nlines");
    EXPECT_FALSE(host.Profiles().SaveIni(root.Dir() + "/x.ini"));
}

TEST_F(ProfileTest, IniBackingRemembersWritesAcrossHosts) {
    hostsim::DriveRoot root;
    const std::string path = root.Dir() + "/demo.ini";
    host.Profiles().SetIniBacking(path);
    OLX_WriteProfileInt(2, "DCMView", 1);
    hostsim::Reset();
    EXPECT_EQ(OLX_GetProfileInt(2, "DCMView", 0), 0);  // a fresh host forgets...
    host.Profiles().SetIniBacking(path);               // ...unless it loads the file again
    EXPECT_EQ(OLX_GetProfileInt(2, "DCMView", 0), 1);
}

}  // namespace
