#include "framework/jsonnesting.h"

#include "controller/controller.h"
#include "host/hostedprocessor.h"
#include "host/smallstack.h"
#include "host/streams.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace Steinberg;
using kelvane::vst::jsonNestingWithin;
using kelvane::vst::maxJsonNesting;

// The stack of the threads on which the readers must survive any blob.
constexpr std::size_t smallStack = 256 * 1024;

// depth objects, one inside the other, around the number 1: {"":{"":1}} for depth 2.
std::string nestedObjects(std::size_t depth) {
    std::string text;
    text.reserve(depth * 5 + 1);
    for (std::size_t i = 0; i < depth; ++i)
        text += "{\"\":";
    text += '1';
    text.append(depth, '}');
    return text;
}

// A state whose time pan is 0.25, with depth levels in all (the state itself is the first).
std::string stateNestedTo(std::size_t depth) {
    return "{\"timePan\":0.25,\"deep\":" + nestedObjects(depth - 1) + "}";
}

TEST(JsonNesting, CountsArraysAndObjectsOutsideStrings) {
    EXPECT_TRUE(jsonNestingWithin("1", 0));
    EXPECT_TRUE(jsonNestingWithin("{}", 1));
    EXPECT_FALSE(jsonNestingWithin("{}", 0));
    EXPECT_TRUE(jsonNestingWithin("[{\"a\":[1]},{}]", 3));
    EXPECT_FALSE(jsonNestingWithin("[{\"a\":[1]},{}]", 2));
    // Brackets inside strings, after escaped quotes and backslashes, are text.
    EXPECT_TRUE(jsonNestingWithin("{\"[[[{\":\"\\\"[[[\\\\\",\"b\":1}", 1));
    EXPECT_FALSE(jsonNestingWithin("{\"\\\\\":[[1]]}", 2));
    // The parser reads the first value only; what follows it is not measured.
    EXPECT_TRUE(jsonNestingWithin("{\"a\":1}[[[[[[", 1));
    EXPECT_FALSE(jsonNestingWithin("[[[[[[", 5));
    EXPECT_TRUE(jsonNestingWithin(nestedObjects(maxJsonNesting)));
    EXPECT_FALSE(jsonNestingWithin(nestedObjects(maxJsonNesting + 1)));
}

// Each state reader, on a small stack: a blob at the bound loads, one level more is refused and
// changes nothing, and so is a blob of 100,000 levels (500 KB, under the size cap).
TEST(HostileState, DeepBlobsAreRefusedByEveryReaderOnASmallStack) {
    const std::string atBound = testhost::blobBytes(stateNestedTo(maxJsonNesting));
    const std::string beyond = testhost::blobBytes(stateNestedTo(maxJsonNesting + 1));
    const std::string deepest = testhost::blobBytes(stateNestedTo(100000));
    const std::string deepArrays =
        testhost::blobBytes(std::string(100000, '[') + std::string(100000, ']'));

    bool ran = testhost::runOnSmallStack(smallStack, [&] {
        testhost::HostedProcessor processor;
        for (const std::string* blob : {&beyond, &deepest, &deepArrays}) {
            EXPECT_EQ(processor->setState(testhost::streamOf(*blob)), kResultFalse);
        }
        MemoryStream saved;
        ASSERT_EQ(processor->getState(&saved), kResultOk);
        std::string text;
        ASSERT_TRUE(testhost::blobText(saved, text));
        EXPECT_NE(text.find("\"timePan\":0.5"), std::string::npos) << text;
        EXPECT_EQ(processor->setState(testhost::streamOf(atBound)), kResultOk);
    });
    EXPECT_TRUE(ran);

    ran = testhost::runOnSmallStack(smallStack, [&] {
        Vst::HostApplication host;
        IPtr<tivrandel::Controller> controller = owned(new tivrandel::Controller);
        ASSERT_EQ(controller->initialize(&host), kResultOk);
        for (const std::string* blob : {&beyond, &deepest, &deepArrays}) {
            EXPECT_EQ(controller->setComponentState(testhost::streamOf(*blob)), kResultFalse);
            EXPECT_EQ(controller->setState(testhost::streamOf(*blob)), kResultFalse);
        }
        EXPECT_EQ(controller->getParamNormalized(1), 0.5);
        EXPECT_EQ(controller->setComponentState(testhost::streamOf(atBound)), kResultOk);
        EXPECT_EQ(controller->getParamNormalized(1), 0.25);
        EXPECT_EQ(controller->setState(testhost::streamOf(atBound)), kResultOk);
        controller->terminate();
    });
    EXPECT_TRUE(ran);
}

} // namespace
