// The built module's output, through its exported factory, against digests that every build
// (Linux and Windows) must reproduce bit for bit.

#include "bundleloader.h"
#include "outputdigest.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <gtest/gtest.h>

namespace {

using namespace Steinberg;

// Pinned when the engine's arithmetic was settled; a change means the sound changed.
constexpr const char* pinned32 = "0448b3f07e65f9abf5b935c554338146cf83c96fa0686e8de2054272edd35bb4";
constexpr const char* pinned64 = "6b342fb60a3617988e5bf7478d42a84fc5897b6a4aa8b371063214d81701ba40";

TEST(ModuleOutput, EqualsThePinnedDigestInBothSampleSizes) {
    bundletest::Bundle bundle;
    ASSERT_TRUE(bundle.loaded()) << bundle.error();
    ASSERT_TRUE(bundle.start());
    {
        const IPtr<IPluginFactory> factory(bundle.getPluginFactory(), false);
        ASSERT_TRUE(factory);
        EXPECT_EQ(bundletest::outputDigest(*factory, Vst::kSample32), pinned32);
        EXPECT_EQ(bundletest::outputDigest(*factory, Vst::kSample64), pinned64);
    }
    EXPECT_TRUE(bundle.stop());
}

} // namespace
