#include "editor/resources/resourcecipher.h"
#include "editor/resources/resourcestore.h"
#include "editor/resources/stores.h"
#include "editor/resources/towide.h"
#include "module/version.h"

#include <gtest/gtest.h>
#include <picojson.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using kelvane::vst::ResourceStore;
using Bytes = std::vector<std::uint8_t>;

Bytes encoded(const std::string& plain) {
    Bytes coded;
    for (char c : plain) {
        coded.push_back(kelvane::vst::resourcecipher::encode(static_cast<std::uint8_t>(c)));
    }
    return coded;
}

TEST(ResourceStore, ReadsDecipheredCopiesAndNothingForUnknownNames) {
    const Bytes coded = encoded(std::string("PNG\0\x89\xFF", 6));
    const Bytes layout = encoded("{}");
    ResourceStore store;
    store.add("b.png", coded.data(), static_cast<std::int32_t>(coded.size()));
    store.add("empty", coded.data(), 0);
    store.add("a.json", layout.data(), 1);
    store.add("a.json", layout.data(), 2); // replaces

    EXPECT_EQ(store.read("b.png"), Bytes({'P', 'N', 'G', 0, 0x89, 0xFF}));
    EXPECT_EQ(store.read("b.png"), store.read("b.png"));
    EXPECT_EQ(store.readString("a.json"), "{}");
    EXPECT_TRUE(store.read("empty").empty());
    EXPECT_TRUE(store.read("missing").empty());
    EXPECT_EQ(store.readString("missing"), "");
    EXPECT_TRUE(store.read("B.PNG").empty());

    std::vector<std::string> names;
    for (const auto& entry : store) {
        names.push_back(entry.first);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a.json", "b.png", "empty"}));
    // The store's bytes stay coded.
    EXPECT_NE(coded[0], 'P');
}

TEST(ResourceStore, CodeIsAByteSubstitutionThatHidesText) {
    std::set<std::uint8_t> images;
    int unchanged = 0;
    for (unsigned plain = 0; plain < 256; ++plain) {
        const auto coded = kelvane::vst::resourcecipher::encode(static_cast<std::uint8_t>(plain));
        images.insert(coded);
        unchanged += coded == plain ? 1 : 0;
        EXPECT_EQ(kelvane::vst::resourcecipher::decode(coded), plain);
    }
    EXPECT_EQ(images.size(), 256u);
    EXPECT_LT(unchanged, 8);
}

// The product's layout names the 20 views and only resources that the store holds.
TEST(ProductStores, LayoutConfiguresEveryViewWithEmbeddedResources) {
    const ResourceStore& store = tivrandel::editorResources();
    picojson::value layout;
    const std::string error = picojson::parse(layout, store.readString("layout.json"));
    ASSERT_EQ(error, "");
    ASSERT_TRUE(layout.is<picojson::object>());
    std::set<std::string> views;
    for (const auto& [name, settings] : layout.get<picojson::object>()) {
        views.insert(name);
        ASSERT_TRUE(settings.is<picojson::object>()) << name;
        for (const auto& [key, value] : settings.get<picojson::object>()) {
            if (key == "text") {
                EXPECT_NO_THROW(kelvane::vst::toWide(value.get<std::string>())) << name;
            }
            if (key == "fontName" || key == "faceImage") {
                EXPECT_FALSE(store.read(value.get<std::string>()).empty()) << name;
            }
        }
    }
    std::set<std::string> expected = {"background",  "titleRule",    "title",      "swapCaption",
                                      "timeCaption", "levelCaption", "swapKnob",   "timeKnob",
                                      "levelKnob",   "fineSwitch",   "fineCaption"};
    for (const char* base : {"swapMark", "timeMark", "levelMark"}) {
        for (int i = 0; i < 3; ++i) {
            expected.insert(base + std::to_string(i));
        }
    }
    EXPECT_EQ(views, expected);
}

TEST(ProductStores, AreFilledOnceAndHoldTheEntryPages) {
    EXPECT_EQ(&tivrandel::editorResources(), &tivrandel::editorResources());
    EXPECT_EQ(&tivrandel::manualResources(), &tivrandel::manualResources());
    EXPECT_EQ(tivrandel::editorResources().size(), 6u);
    for (const char* page : {"en/index.html", "ja/index.html", "style.css"}) {
        EXPECT_FALSE(tivrandel::manualResources().read(page).empty()) << page;
    }
}

TEST(ProductStores, TheManualsEntryPagesNameTheProjectsVersionInTheirFooters) {
    for (const char* page : {"en/index.html", "ja/index.html"}) {
        const Bytes bytes = tivrandel::manualResources().read(page);
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_NE(text.find("<footer>Tivrandel " TIVRANDEL_VERSION), std::string::npos) << page;
        EXPECT_EQ(text.find("@PROJECT_VERSION@"), std::string::npos) << page;
    }
}

#ifndef _WIN32
Bytes fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A manual page as the build embeds it: the file with the project's version for its
// @PROJECT_VERSION@.
Bytes configuredPage(const std::filesystem::path& path) {
    const Bytes bytes = fileBytes(path);
    std::string text(bytes.begin(), bytes.end());
    const std::string token = "@PROJECT_VERSION@";
    for (auto at = text.find(token); at != std::string::npos; at = text.find(token, at)) {
        text.replace(at, token.size(), TIVRANDEL_VERSION);
    }
    return Bytes(text.begin(), text.end());
}

void expectStoreHoldsFiles(const ResourceStore& store, const std::filesystem::path& folder,
                           const std::set<std::string>& names) {
    std::set<std::string> stored;
    for (const auto& entry : store) {
        stored.insert(entry.first);
        const std::filesystem::path file = folder / entry.first;
        const Bytes expected = file.extension() == ".html" ? configuredPage(file) : fileBytes(file);
        EXPECT_FALSE(expected.empty()) << entry.first;
        EXPECT_EQ(store.read(entry.first), expected) << entry.first;
    }
    EXPECT_EQ(stored, names);
}

TEST(ProductStores, HoldExactlyTheResourceFiles) {
    const std::filesystem::path root = TIVRANDEL_RESOURCES_DIR;
    expectStoreHoldsFiles(tivrandel::editorResources(), root / "editor",
                          {"layout.json", "knob-face.png", "knob-face@2x.png", "fallback.png",
                           "TivrandelSans-Regular.ttf", "TivrandelSans-Bold.ttf"});
    std::set<std::string> manual;
    for (const auto& file : std::filesystem::recursive_directory_iterator(root / "manual")) {
        if (file.is_regular_file()) {
            manual.insert(file.path().lexically_relative(root / "manual").generic_string());
        }
    }
    expectStoreHoldsFiles(tivrandel::manualResources(), root / "manual", manual);
}
#endif

} // namespace
