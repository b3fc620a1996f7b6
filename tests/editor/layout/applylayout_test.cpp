#include "editor/layout/applylayout.h"

#include "framework/jsonnesting.h"

#include "vstgui/lib/cview.h"

#include <gtest/gtest.h>
#include <picojson.h>

#include <vector>

namespace kelvane::vst {
namespace {

// A view that records what it is given and fails on request in each of the ways a property
// can fail.
class RecordingView : public VSTGUI::CView {
public:
    RecordingView() : CView(VSTGUI::CRect(0, 0, 10, 10)) {}

    void setProperty(const std::string& name, const picojson::value& value) override {
        if (name == "string")
            throw std::string("no good");
        if (name == "other")
            throw 7;
        if (name == "value") {
            received.push_back(value.serialize());
            return;
        }
        CView::setProperty(name, value);
    }

    std::vector<std::string> received;
};

const std::string mismatch =
    "\"type mismatch! call is<type>() before get<type>()\" && is<object>()";

class Layout : public ::testing::Test {
protected:
    std::string apply(const std::string& text) {
        const std::optional<std::string> log = applyLayout(views, text);
        EXPECT_TRUE(log.has_value()) << text;
        return log.value_or("");
    }

    RecordingView first;
    RecordingView second;
    std::map<std::string, VSTGUI::CView*> views{{"first", &first}, {"second", &second}};
};

TEST_F(Layout, AppliesEverySettingInNameOrderAndLogsIt) {
    EXPECT_EQ(apply(R"({"second": {"value": [1, "a"]}, "first": {"size": [1, 2, 30, 40]}})"),
              "first.size set to [1,2,30,40]\n"
              "second.value set to [1,\"a\"]\n"
              "layout applied\n");
    EXPECT_EQ(first.getViewSize(), VSTGUI::CRect(1, 2, 30, 40));
    EXPECT_EQ(second.received, std::vector<std::string>{"[1,\"a\"]"});
}

TEST_F(Layout, SkipsFailingSettingsAndGoesOn) {
    EXPECT_EQ(apply(R"({"first": {"size": [0, 0, 5, 5], "unknown": 3, "string": 1, "other": 2},
                        "second": {"size": [0, 0, 8]}, "third": {"value": 1}})"),
              "first.other set to 2\n"
              "first.other failed with an unknown error\n"
              "first.size set to [0,0,5,5]\n"
              "first.string set to 1\n"
              "first.string no good\n"
              "first.unknown set to 3\n"
              "first.unknown setProperty unknown 3 not found\n"
              "second.size set to [0,0,8]\n"
              "second.size invalid vector<T> subscript\n"
              "third invalid map<K, T> key\n"
              "layout applied\n");
    EXPECT_EQ(first.getViewSize(), VSTGUI::CRect(0, 0, 5, 5));
    EXPECT_EQ(second.getViewSize(), VSTGUI::CRect(0, 0, 10, 10));
}

TEST_F(Layout, ReportsValuesOfTheWrongShape) {
    EXPECT_EQ(apply(R"({"first": [1], "second": {"value": true}})"),
              "first " + mismatch + "\nsecond.value set to true\nlayout applied\n");
    EXPECT_EQ(apply("[1, 2]"), mismatch + "\nlayout applied\n");
}

TEST_F(Layout, IgnoresTextThatIsNotOneJsonDocument) {
    for (const char* text : {"", "{", "{\"first\": {\"size\": [0, 0, 1, 1]}} x", "nul",
                             "{\"first\": {\"size\": 1e999}}"})
        EXPECT_FALSE(applyLayout(views, text).has_value()) << text;
    EXPECT_EQ(first.getViewSize(), VSTGUI::CRect(0, 0, 10, 10));
    EXPECT_EQ(apply(" {} \n"), "layout applied\n");
}

TEST_F(Layout, RefusesValuesNestedBeyondTheBound) {
    // The document and the view's settings are two levels; the value fills the rest.
    auto document = [](std::size_t valueDepth) {
        return "{\"first\": {\"value\": " + std::string(valueDepth, '[') +
               std::string(valueDepth, ']') + "}}";
    };
    EXPECT_EQ(apply(document(maxJsonNesting - 2)),
              "first.value set to " + std::string(maxJsonNesting - 2, '[') +
                  std::string(maxJsonNesting - 2, ']') + "\nlayout applied\n");
    EXPECT_FALSE(applyLayout(views, document(maxJsonNesting - 1)).has_value());
    EXPECT_FALSE(applyLayout(views, document(100000)).has_value());
}

} // namespace
} // namespace kelvane::vst
