#include "controllerfixture.h"

namespace controllertest {
namespace {

using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Changes = std::vector<std::pair<ParamID, ParamValue>>;

TEST_F(ControllerTest, UnknownIdFailsButEditorsAreStillTold) {
    auto editor = attachedEditor();
    EXPECT_EQ(controller->setParamNormalized(7, 0.3), kResultFalse);
    EXPECT_EQ(editor->changes, (Changes{{7, 0.3}}));
}

TEST_F(ControllerTest, EditorsHearUnclampedValuesInOrder) {
    auto first = attachedEditor();
    auto second = attachedEditor();
    controller->setParamNormalized(1, 0.25);
    controller->setParamNormalized(2, 1.5);
    controller->setParamNormalized(3, -1.0);
    const Changes expected = {{1, 0.25}, {2, 1.5}, {3, -1.0}};
    EXPECT_EQ(first->changes, expected);
    EXPECT_EQ(second->changes, expected);
}

TEST_F(ControllerTest, ListKeepsAttachOrderAndEachEditorOnce) {
    auto a = owned(new RecordingEditor(controller));
    auto b = owned(new RecordingEditor(controller));
    auto c = owned(new RecordingEditor(controller));
    for (RecordingEditor* editor : {a.get(), b.get(), c.get()}) {
        controller->editorAttached(editor);
    }
    controller->editorRemoved(b);
    EXPECT_EQ(controller->editors, (std::vector<tivrandel::Editor*>{a, c}));

    // Removed and attached again, or attached twice: one entry, at the end.
    controller->editorAttached(b);
    controller->editorRemoved(a);
    controller->editorAttached(a);
    controller->editorAttached(a);
    EXPECT_EQ(controller->editors, (std::vector<tivrandel::Editor*>{c, b, a}));

    controller->setParamNormalized(1, 0.75);
    for (RecordingEditor* editor : {a.get(), b.get(), c.get()}) {
        EXPECT_EQ(editor->changes, (Changes{{1, 0.75}}));
    }
}

TEST_F(ControllerTest, DetachedOrForeignViewsAreNotTold) {
    auto never = owned(new RecordingEditor(controller));
    auto removed = attachedEditor();
    controller->editorRemoved(removed);
    controller->editorRemoved(removed);
    controller->editorRemoved(nullptr);

    auto foreign = owned(new Steinberg::Vst::EditorView(controller));
    controller->editorAttached(foreign);
    controller->editorAttached(nullptr);
    EXPECT_TRUE(controller->editors.empty());

    controller->setParamNormalized(1, 0.75);
    EXPECT_TRUE(never->changes.empty());
    EXPECT_TRUE(removed->changes.empty());
}

TEST_F(ControllerTest, AnEditorDestroyedWhileAttachedLeavesTheList) {
    auto kept = attachedEditor();
    {
        auto dropped = attachedEditor();
        ASSERT_EQ(controller->editors.size(), 2u);
    }
    EXPECT_EQ(controller->editors, (std::vector<tivrandel::Editor*>{kept}));
    controller->setParamNormalized(1, 0.75);
    EXPECT_EQ(kept->changes, (Changes{{1, 0.75}}));
}

TEST_F(ControllerTest, TerminateForgetsEditorsWithoutTouchingThem) {
    auto editor = attachedEditor();
    controller->terminate();
    EXPECT_TRUE(controller->editors.empty());
    EXPECT_EQ(editor->getController(), controller.get());
}

TEST_F(ControllerTest, OffersANewEditorForTheEditorViewTypeOnly) {
    for (Steinberg::FIDString name : {"", "Editor", "editor ", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(controller->createView(name), nullptr);
    }
    auto first = owned(controller->createView("editor"));
    auto second = owned(controller->createView("editor"));
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    EXPECT_NE(dynamic_cast<tivrandel::Editor*>(first.get()), nullptr);
    Steinberg::ViewRect size;
    EXPECT_EQ(first->getSize(&size), Steinberg::kResultTrue);
    EXPECT_EQ(size.getWidth(), 346);
    EXPECT_EQ(size.getHeight(), 160);
}

} // namespace
} // namespace controllertest
