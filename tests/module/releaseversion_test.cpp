// The numbers of this release as each format shows them, written out: a new version is a
// deliberate change here as well as on the project() line. (Every other test takes the version
// from module/version.h.)

#include "module/factory.h"
#include "module/version.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "public.sdk/source/vst/vst2wrapper/vst2text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

using namespace Steinberg;

TEST(ReleaseVersion, IsTheOneEveryFormatShows) {
    // VST3: the class entries' version; CLAP's descriptor carries the same text.
    IPluginFactory* factory = tivrandel::createFactory();
    ASSERT_NE(factory, nullptr);
    FUnknownPtr<IPluginFactory2> factory2(factory);
    PClassInfo2 info;
    ASSERT_EQ(factory2->getClassInfo2(0, &info), kResultOk);
    factory->release();
    EXPECT_STREQ(info.version, "1.1.0");
    EXPECT_STREQ(TIVRANDEL_VERSION, "1.1.0");

    // VST2: the number the wrapper makes of the class version.
    EXPECT_EQ(Vst::Vst2Text::versionNumber(info.version), 1100);

    // The Windows version resources' file and product version (source/module/version.rc.in).
    const int resource[] = {TIVRANDEL_VERSION_MAJOR, TIVRANDEL_VERSION_MINOR,
                            TIVRANDEL_VERSION_PATCH, 0};
    EXPECT_EQ(resource[0], 1);
    EXPECT_EQ(resource[1], 1);
    EXPECT_EQ(resource[2], 0);
    EXPECT_EQ(resource[3], 0);

#ifdef TIVRANDEL_LV2_TTL
    // LV2: the version in the bundle's description, as the build wrote it.
    std::ifstream in(TIVRANDEL_LV2_TTL);
    const std::string ttl(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(ttl.find("lv2:minorVersion 202 ;"), std::string::npos) << ttl;
    EXPECT_NE(ttl.find("lv2:microVersion 0 ;"), std::string::npos) << ttl;
#endif
}

} // namespace
