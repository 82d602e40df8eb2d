// First scenarios: a whole search cycle through the window's logic.
#include <gtest/gtest.h>

#include "support/scripted_platform.h"
#include "ui/form1.h"

namespace nq {
namespace {

TEST(Smoke, EightQueensCountsNinetyTwo) {
    testing::ScriptedPlatform platform;
    Form1 form(platform);
    form.Form_Load();
    form.Type(ControlName::Text1, -1, "8");
    form.Click(ControlName::Command1);
    EXPECT_EQ(form.Text2.Text, "start computation");
    form.ToggleCheck();
    form.Click(ControlName::Command2);
    EXPECT_EQ(form.Text2.Text, "computation finished");
    EXPECT_EQ(form.Text3.Text, "92");
}

}  // namespace
}  // namespace nq
