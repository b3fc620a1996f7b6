// GDI+ runs for the whole test program, as it does for the whole life of the module.
#include "vstgui/gdiplusglobals.h"

#include <gtest/gtest.h>

namespace {

class GdiplusEnvironment : public testing::Environment {
public:
    void SetUp() override { VSTGUI::GDIPlusGlobals::enter(); }
    void TearDown() override { VSTGUI::GDIPlusGlobals::exit(); }
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

} // namespace
