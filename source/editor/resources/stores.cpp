#include "editor/resources/stores.h"

#include "editor/resources/embedded.h"

namespace tivrandel {

const kelvane::vst::ResourceStore& editorResources() {
    static const kelvane::vst::ResourceStore store = [] {
        kelvane::vst::ResourceStore filled;
        embedded::addEditorResources(filled);
        return filled;
    }();
    return store;
}

const kelvane::vst::ResourceStore& manualResources() {
    static const kelvane::vst::ResourceStore store = [] {
        kelvane::vst::ResourceStore filled;
        embedded::addManualResources(filled);
        return filled;
    }();
    return store;
}

} // namespace tivrandel
