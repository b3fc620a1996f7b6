#pragma once

namespace kelvane::vst {

// Called by an open editor on every tick of its timer. Not a VST3 interface: the editor finds
// it on its controller with a checked dynamic cast, never through queryInterface.
class IOnEditorTimer {
public:
    virtual ~IOnEditorTimer() = default;
    virtual void onEditorTimer() = 0;
};

} // namespace kelvane::vst
