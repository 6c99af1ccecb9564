#include "automation/uno/office_installation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "common/app_error.h"
#include "common/program_texts.h"
#include "tests/catalog_text.h"
#include "tests/fake_office_installation.h"
#include "tests/raised_error.h"

namespace secant_root::testing {
namespace {

using ::testing::HasSubstr;

constexpr const char* kSchemaAndData =
    "<prop oor:name=\"ooSetupVersion\" oor:type=\"xs:string\" oor:nillable=\"false\">\n"
    "  <value/>\n"
    "</prop>\n"
    "<prop oor:name=\"ooSetupVersionAboutBox\">\n  <value>7.4.7.2</value>\n</prop>\n"
    "<prop oor:name=\"ooSetupVersion\">\n  <value>7.4</value>\n</prop>\n";

struct SeedCase {
    const char* name;
    const char* versionrc;
    const char* mainXcd;
    const char* buildId;
    const char* setupVersion;
};

class ProfileSeedReading : public ::testing::TestWithParam<SeedCase> {};

TEST_P(ProfileSeedReading, TakesTheValuesFromTheInstallationFiles) {
    const SeedCase& c = GetParam();
    FakeOfficeInstallation fake;
    fake.WriteVersionrc(c.versionrc);
    fake.WriteMainXcd(c.mainXcd);

    const ProfileSeed seed = fake.installation().ReadProfileSeed();

    EXPECT_EQ(seed.buildId, c.buildId);
    EXPECT_EQ(seed.setupVersion, c.setupVersion);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProfileSeedReading,
    ::testing::Values(SeedCase{"AsInstalled",
                               "[Version]\nAllLanguages=en-US\nbuildid=40(Build:2)\nVendor=x\n",
                               kSchemaAndData, "40(Build:2)", "7.4"},
                      SeedCase{"WindowsLineEnds", "[Version]\r\nbuildid=40(Build:2)\r\n",
                               kSchemaAndData, "40(Build:2)", "7.4"},
                      SeedCase{"SimilarKeysFirst", "buildidx=1\nmybuildid=2\nbuildid=3\n",
                               "<prop oor:name=\"ooSetupVersion\"><value>24.2</value></prop>", "3",
                               "24.2"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BrokenCase {
    const char* name;
    const char* versionrc;  // none: the file is missing
    const char* mainXcd;
    std::string reason;
};

// What the description says of a file that does not give the value `name`.
std::string GivesNo(std::string_view name) {
    return TextAfter(texts::FilledText(texts::kOfficeIncompleteText, {"{1}", name}), "{1}");
}

class BrokenInstallation : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenInstallation, CannotCreateTheObject) {
    const BrokenCase& c = GetParam();
    FakeOfficeInstallation fake;
    if (c.versionrc != nullptr) {
        fake.WriteVersionrc(c.versionrc);
    } else {
        std::filesystem::remove(fake.programDirectory() / "versionrc");
    }
    fake.WriteMainXcd(c.mainXcd);

    const AppError error = RaisedError([&] { fake.installation().ReadProfileSeed(); });

    EXPECT_EQ(error.kind(), ErrorKind::CannotCreateObject);
    EXPECT_THAT(error.description(), HasSubstr(c.reason));
    EXPECT_EQ(error.advice(), texts::kInstallLibreOfficeAdvice);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenInstallation,
    ::testing::Values(
        BrokenCase{"NoVersionrc", nullptr, kSchemaAndData,
                   TextBefore(texts::kOfficeNotInstalledText, "{1}")},
        BrokenCase{"NoBuildId", "[Version]\nbuildid=\n", kSchemaAndData, GivesNo("buildid")},
        BrokenCase{"OnlyTheSchemaEntry", "buildid=1\n",
                   "<prop oor:name=\"ooSetupVersion\" oor:type=\"xs:string\"><value/></prop>",
                   GivesNo("ooSetupVersion")},
        BrokenCase{"EntryWithoutValue", "buildid=1\n",
                   "<prop oor:name=\"ooSetupVersion\"></prop><prop><value>9</value></prop>",
                   GivesNo("ooSetupVersion")}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace secant_root::testing
