#include "clap/vst3state.h"

#include "host/hostedprocessor.h"
#include "host/processdata.h"
#include "host/streams.h"

#include <gtest/gtest.h>

#include <string>

namespace claphost {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::vector<std::uint8_t> vst3StateAfter(const std::vector<Values>& blocks,
                                         const std::vector<std::uint8_t>& loaded) {
    testhost::HostedProcessor processor;
    if (!loaded.empty()) {
        EXPECT_EQ(
            processor->setState(testhost::streamOf(std::string(loaded.begin(), loaded.end()))),
            kResultOk);
    }
    EXPECT_EQ(processor.setup(48000.0), kResultOk);
    processor->setActive(true);
    processor->setProcessing(true);
    for (const Values& values : blocks) {
        testhost::ProcessDataBuilder block(kSample32, 2, 0);
        for (const auto& [id, value] : values) {
            block.changes().add(id, 0, value);
        }
        EXPECT_EQ(processor->process(block.data()), kResultOk);
    }
    IPtr<MemoryStream> saved = owned(new MemoryStream());
    EXPECT_EQ(processor->getState(saved), kResultOk);
    processor->setProcessing(false);
    processor->setActive(false);
    const auto* begin = reinterpret_cast<const std::uint8_t*>(saved->getData());
    return std::vector<std::uint8_t>(begin, begin + saved->getSize());
}

} // namespace claphost
